// Recipes in the editor: the steps applied to the open picture saved for
// kirabox-batch, and a recipe run on the open picture (pages/recipe.h).
#include <QCoreApplication>
#include <QFileDialog>
#include <exception>
#include <new>

#include "pages/recipe.h"
#include "ui/error_report.h"
#include "ui/form_main.h"

namespace kira {

namespace {

QString RecipeFilter() { return QCoreApplication::translate("TFormMain", "レシピ (*.kbr);;すべてのファイル (*)"); }

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

void TFormMain::PMenuRecipeSaveClick() {
  FinishOpening();
  QString path = QFileDialog::getSaveFileName(this, tr("レシピを保存"),
                                              QString::fromStdString(document_.ProposedSaveName()) + ".kbr",
                                              RecipeFilter(), nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return;
  SaveRecipeTo(path);
}

void TFormMain::PMenuRecipeApplyClick() {
  FinishOpening();
  const QString path = QFileDialog::getOpenFileName(this, tr("レシピを適用"), QString(), RecipeFilter(),
                                                    nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return;
  ApplyRecipeFrom(path);
}

bool TFormMain::SaveRecipeTo(const QString& path) {
  FinishOpening();
  const TRecipeText recipe = WriteRecipe(document_.AppliedSteps());
  if (const std::string error = SaveRecipe(Local(path), recipe.text); !error.empty()) {
    ReportError(this, FileErrorText(tr("レシピを保存できませんでした。"), path,
                                    QString::fromStdString(error)));
    return false;
  }
  if (recipe.leftOut > 0) {
    ReportNote(this, tr("設定から再現できない %1 個の手順 (手で編集した輝点、リップル) は"
                        "レシピにコメントとして書き、実行からは外しました。")
                         .arg(recipe.leftOut));
  }
  return true;
}

bool TFormMain::ApplyRecipeFrom(const QString& path) {
  FinishOpening();
  std::vector<TRecipeStep> steps;
  std::string error;
  if (!ReadRecipe(Local(path), steps, error)) {
    ReportError(this, FileErrorText(tr("レシピを読めませんでした。"), path,
                                    QString::fromStdString(error)));
    return false;
  }
  if (document_.Source().Empty()) {
    ReportError(this, tr("レシピを適用する画像が開かれていません。"));
    return false;
  }
  // Each step is an Apply from the menu page: a page being edited is left
  // as Cancel leaves it, so that no preview of it is taken for a step.
  document_.ReturnToMenu();
  const auto stopAt = [&](const TRecipeStep& s, const QString& why) {
    ReportError(this, tr("レシピの %1 行目で止まりました。\n%2:%1: %3")
                          .arg(s.line)
                          .arg(path, why));
    return false;
  };
  for (const TRecipeStep& s : steps) {
    try {
      if (!RunStep(document_, *s.step, s.values, error)) return stopAt(s, QString::fromStdString(error));
    } catch (const std::bad_alloc&) {
      return stopAt(s, OutOfMemoryText());
    } catch (const std::exception& e) {
      return stopAt(s, ExceptionText(e));
    }
    UpdateHistoryItems();
  }
  return true;
}

}  // namespace kira
