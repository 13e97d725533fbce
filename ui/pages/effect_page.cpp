#include "ui/pages/effect_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "document/document.h"
#include "pages/page_list.h"
#include "ui/form_main.h"
#include "ui/translation.h"

namespace kira {

namespace {
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setFixedSize(137, 25);
  // Pressing Enter on a focused button must not trigger a default button
  // elsewhere on the page.
  button->setAutoDefault(false);
  return button;
}
}  // namespace

TEffectPage::TEffectPage(TFormMain& main, const TPageEntry& page, const QString& previewName)
    : main_(main), page_(page), caption_(Tr(kTrPages, page.caption)) {
  setObjectName(QStringLiteral("TabSheet%1").arg(page.number));
  const QString n = QString::number(page.number);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 12, 8, 12);
  layout->setSpacing(8);
  body_ = new QVBoxLayout;
  body_->setSpacing(4);
  layout->addLayout(body_);

  if (!previewName.isEmpty()) {
    previewButton_ = MakeButton(this, previewName, tr("プレビュー"));
    layout->addWidget(previewButton_, 0, Qt::AlignHCenter);
    connect(previewButton_, &QPushButton::clicked, this, [this] { main_.Run([this] { RequestPreview(); }); });
  }

  viewGroup_ = new QGroupBox(tr("表示画像"), this);
  viewLayout_ = new QVBoxLayout(viewGroup_);
  viewLayout_->setSpacing(4);
  orgButton_ = MakeButton(viewGroup_, QStringLiteral("ButtonORG") + n, tr("オリジナル"));
  dstButton_ = MakeButton(viewGroup_, QStringLiteral("ButtonDST") + n, tr("加工後"));
  orgButton_->setFixedWidth(121);
  dstButton_->setFixedWidth(121);
  viewLayout_->addWidget(orgButton_, 0, Qt::AlignHCenter);
  viewLayout_->addWidget(dstButton_, 0, Qt::AlignHCenter);
  layout->addWidget(viewGroup_);

  layout->addStretch(1);
  okButton_ = MakeButton(this, QStringLiteral("ButtonOK") + n, tr("適用"));
  cancelButton_ = MakeButton(this, QStringLiteral("ButtonCAN") + n, tr("キャンセル"));
  layout->addWidget(okButton_, 0, Qt::AlignHCenter);
  layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);

  // All pages share the view and Cancel handlers (ButtonORG1Click,
  // ButtonDST1Click, ButtonCAN1Click); Apply is the page's own.
  connect(orgButton_, &QPushButton::clicked, this,
          [this] { main_.Run([this] { Doc().ShowSource(); }); });
  connect(dstButton_, &QPushButton::clicked, this,
          [this] { main_.Run([this] { Doc().ShowResult(); }); });
  connect(cancelButton_, &QPushButton::clicked, this,
          [this] { main_.Run([this] { Doc().Cancel(); }); });
  connect(okButton_, &QPushButton::clicked, this, [this] {
    main_.Run([this] {
      FlushLivePreview();
      Apply();
    });
  });
}

TDocument& TEffectPage::Doc() const { return main_.Document(); }

void TEffectPage::OpenFromMenu() { main_.OpenEffectPage(page_.number); }

void TEffectPage::Preview() {
  Doc().PreviewInPlace([](TBitmap&) { return true; });
}

TPreviewTask TEffectPage::PreviewTask() { return {}; }

void TEffectPage::WatchControls() {
  if (!previewButton_) return;  // the rotation page applies its buttons at once
  for (QSlider* bar : findChildren<QSlider*>())
    connect(bar, &QSlider::valueChanged, this, [this, bar] { SettingsChanged(bar); });
  for (QSpinBox* spin : findChildren<QSpinBox*>())
    connect(spin, &QSpinBox::valueChanged, this, [this, spin] { SettingsChanged(spin); });
  for (QCheckBox* box : findChildren<QCheckBox*>())
    connect(box, &QCheckBox::toggled, this, [this, box] { SettingsChanged(box); });
  // A radio button that comes off is followed by the one that comes on.
  for (QRadioButton* radio : findChildren<QRadioButton*>()) {
    connect(radio, &QRadioButton::toggled, this, [this, radio](bool on) {
      if (on) SettingsChanged(radio);
    });
  }
}

void TEffectPage::SettingsChanged(QObject* control) {
  if (holdLive_ || !main_.AutoPreview() || main_.OpenPageNumber() != Number()) return;
  ControlMoved(control);
  if (livePending_) return;
  livePending_ = true;
  QTimer::singleShot(0, this, [this] { FlushLivePreview(); });
}

void TEffectPage::FlushLivePreview() {
  if (!livePending_) return;
  livePending_ = false;
  if (main_.OpenPageNumber() != Number() || main_.Opening() || Doc().Source().Empty()) return;
  main_.Run([this] {
    TPreviewTask task = PreviewTask();
    if (!task.run) return;
    Doc().Previews().Request(std::move(task), true, AfterPreview());
    main_.WatchPreview();
  });
}

void TEffectPage::RequestPreview() {
  livePending_ = false;
  main_.FinishOpening();
  // Nothing to run off the thread (an empty source has the Preview's own
  // rule; a page may have no task): the Preview itself.
  TPreviewTask task = Doc().Source().Empty() ? TPreviewTask{} : PreviewTask();
  if (!task.run) {
    Preview();
    return;
  }
  Doc().Previews().Request(std::move(task), false, AfterPreview());
  main_.WatchPreview();
}

void TEffectPage::ShowPage() { Held([this] { TabSheetShow(); }); }

void TEffectPage::OpenPage() { Held([this] { OpenFromMenu(); }); }

void TEffectPage::Held(const std::function<void()>& handler) {
  // Holds nest: the menu button's handler shows the page.
  const bool before = holdLive_;
  holdLive_ = true;
  livePending_ = false;
  try {
    handler();
  } catch (...) {
    holdLive_ = before;
    throw;
  }
  holdLive_ = before;
}

void TEffectPage::Apply() {
  Doc().Apply([this] { Preview(); });
}

}  // namespace kira
