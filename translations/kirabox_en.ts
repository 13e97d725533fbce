<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>TFormMain</name>
    <message>
        <source>レシピ (*.kbr);;すべてのファイル (*)</source>
        <translation>Recipes (*.kbr);;All files (*)</translation>
    </message>
</context>
<context>
    <name>kira::ErrorReport</name>
    <message>
        <source>保存できる形式は JPEG (.jpg, .jpeg)、PNG (.png)、TIFF (.tif, .tiff)、WebP (.webp) と BMP (.bmp) です。</source>
        <translation>Pictures can be saved as JPEG (.jpg, .jpeg), PNG (.png), TIFF (.tif, .tiff), WebP (.webp) or BMP (.bmp).</translation>
    </message>
    <message>
        <source>メモリが不足しています。処理を中止しました。</source>
        <translation>Not enough memory. The operation was stopped.</translation>
    </message>
    <message>
        <source>処理中にエラーが発生しました。
</source>
        <translation>An error occurred while processing.
</translation>
    </message>
    <message>
        <source>処理中に不明なエラーが発生しました。</source>
        <translation>An unknown error occurred while processing.</translation>
    </message>
</context>
<context>
    <name>kira::Labels</name>
    <message>
        <source>比率 %1 : %2</source>
        <translation>Ratio %1 : %2</translation>
    </message>
    <message>
        <source>幅&#x3000; = %1</source>
        <translation>Width  = %1</translation>
    </message>
    <message>
        <source>高さ = %1</source>
        <translation>Height = %1</translation>
    </message>
</context>
<context>
    <name>kira::PageControls</name>
    <message>
        <source>%1～%2</source>
        <translation>%1–%2</translation>
    </message>
    <message>
        <source>弱</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>強</source>
        <translation>High</translation>
    </message>
</context>
<context>
    <name>kira::Pages</name>
    <message>
        <source>キラボックス</source>
        <translation>Star filter</translation>
    </message>
    <message>
        <source>カラーフィルター</source>
        <translation>Color filter</translation>
    </message>
    <message>
        <source>ソフトネス</source>
        <translation>Softness</translation>
    </message>
    <message>
        <source>モノクローム</source>
        <translation>Monochrome</translation>
    </message>
    <message>
        <source>リサイズ</source>
        <translation>Resize</translation>
    </message>
    <message>
        <source>明るさ調整</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>シャープネス</source>
        <translation>Sharpness</translation>
    </message>
    <message>
        <source>彩度/明度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>周辺効果</source>
        <translation>Vignette</translation>
    </message>
    <message>
        <source>ミラージュ</source>
        <translation>Mirage</translation>
    </message>
    <message>
        <source>アート効果１</source>
        <translation>Art effects 1</translation>
    </message>
    <message>
        <source>回転</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <source>アート効果２</source>
        <translation>Art effects 2</translation>
    </message>
</context>
<context>
    <name>kira::Settings</name>
    <message>
        <source>水彩画</source>
        <translation>Watercolor</translation>
    </message>
    <message>
        <source>ソラリゼーション</source>
        <translation>Solarize</translation>
    </message>
    <message>
        <source>魚眼レンズ</source>
        <translation>Fisheye</translation>
    </message>
    <message>
        <source>ゾーベルフィルタ</source>
        <translation>Sobel filter</translation>
    </message>
    <message>
        <source>エッジ抽出1</source>
        <translation>Find edges 1</translation>
    </message>
    <message>
        <source>エッジ抽出2</source>
        <translation>Find edges 2</translation>
    </message>
    <message>
        <source>エッジ抽出3</source>
        <translation>Find edges 3</translation>
    </message>
    <message>
        <source>ネガ・ポジ反転</source>
        <translation>Invert</translation>
    </message>
    <message>
        <source>1～5</source>
        <translation>1–5</translation>
    </message>
    <message>
        <source>0～255</source>
        <translation>0–255</translation>
    </message>
    <message>
        <source>5～55</source>
        <translation>5–55</translation>
    </message>
    <message>
        <source>1～100</source>
        <translation>1–100</translation>
    </message>
    <message>
        <source>カラーノイズ</source>
        <translation>Color noise</translation>
    </message>
    <message>
        <source>モノクロノイズ</source>
        <translation>Mono noise</translation>
    </message>
    <message>
        <source>リップル</source>
        <translation>Ripple</translation>
    </message>
    <message>
        <source>スプレー</source>
        <translation>Spray</translation>
    </message>
    <message>
        <source>1～128</source>
        <translation>1–128</translation>
    </message>
    <message>
        <source>ガンマ補正</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>明暗調整(傾斜)</source>
        <translation>Exposure (slope)</translation>
    </message>
    <message>
        <source>明暗調整(増減)</source>
        <translation>Exposure (shift)</translation>
    </message>
    <message>
        <source>コントラスト</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>露出補正</source>
        <translation>Exposure</translation>
    </message>
    <message>
        <source>コントラスト調整</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>0～100%</source>
        <translation>0–100%</translation>
    </message>
    <message>
        <source>サークル</source>
        <translation>Circle</translation>
    </message>
    <message>
        <source>ライン</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>明るさ優先</source>
        <translation>Lighten</translation>
    </message>
    <message>
        <source>暗さ優先</source>
        <translation>Darken</translation>
    </message>
    <message>
        <source>ブレンド</source>
        <translation>Blend</translation>
    </message>
    <message>
        <source>0.2～1.0</source>
        <translation>0.2–1.0</translation>
    </message>
    <message>
        <source>モノクローム</source>
        <translation>Monochrome</translation>
    </message>
    <message>
        <source>赤フィルター</source>
        <translation>Red filter</translation>
    </message>
    <message>
        <source>緑フィルター</source>
        <translation>Green filter</translation>
    </message>
    <message>
        <source>青フィルター</source>
        <translation>Blue filter</translation>
    </message>
    <message>
        <source>グレースケール</source>
        <translation>Grayscale</translation>
    </message>
    <message>
        <source>スポットライト</source>
        <translation>Spotlight</translation>
    </message>
    <message>
        <source>カラースポットライト</source>
        <translation>Color spotlight</translation>
    </message>
    <message>
        <source>ワセリン</source>
        <translation>Soft edges</translation>
    </message>
    <message>
        <source>半径</source>
        <translation>Radius</translation>
    </message>
    <message>
        <source>最近傍法</source>
        <translation>Nearest neighbor</translation>
    </message>
    <message>
        <source>バイリニア</source>
        <translation>Bilinear</translation>
    </message>
    <message>
        <source>バイキュービック</source>
        <translation>Bicubic</translation>
    </message>
    <message>
        <source>ラグランジェ</source>
        <translation>Lagrange</translation>
    </message>
    <message>
        <source>Bスプライン</source>
        <translation>B-spline</translation>
    </message>
    <message>
        <source>ミッチェル</source>
        <translation>Mitchell</translation>
    </message>
    <message>
        <source>彩度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>明度</source>
        <translation>Lightness</translation>
    </message>
    <message>
        <source>彩度補正</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>シャープン</source>
        <translation>Sharpen</translation>
    </message>
    <message>
        <source>フォーカス</source>
        <translation>Focus</translation>
    </message>
    <message>
        <source>0～100</source>
        <translation>0–100</translation>
    </message>
    <message>
        <source>ブラー</source>
        <translation>Blur</translation>
    </message>
    <message>
        <source>ガウシアンブラー</source>
        <translation>Gaussian blur</translation>
    </message>
    <message>
        <source>ラジアルブラー</source>
        <translation>Radial blur</translation>
    </message>
    <message>
        <source>アングルブラー</source>
        <translation>Motion blur</translation>
    </message>
    <message>
        <source>ソフトネス</source>
        <translation>Soften</translation>
    </message>
    <message>
        <source>0～6</source>
        <translation>0–6</translation>
    </message>
    <message>
        <source>クロス</source>
        <translation>Cross</translation>
    </message>
    <message>
        <source>スノー</source>
        <translation>Snow</translation>
    </message>
    <message>
        <source>サニー</source>
        <translation>Sunny</translation>
    </message>
    <message>
        <source>ソフトクロス</source>
        <translation>Soft cross</translation>
    </message>
</context>
<context>
    <name>kira::TEffectPage</name>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>表示画像</source>
        <translation>View</translation>
    </message>
    <message>
        <source>オリジナル</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>加工後</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>適用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kira::TFormMain</name>
    <message>
        <source>JPEG と WebP の品質 (1～100)。WebP は 100 で可逆圧縮になります。</source>
        <translation>Quality of JPEG and WebP (1–100). WebP at 100 is lossless.</translation>
    </message>
    <message>
        <source>品質 (JPEG, WebP):</source>
        <translation>Quality (JPEG, WebP):</translation>
    </message>
    <message>
        <source>メニュー</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ開く (&amp;O)</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ保存 (&amp;S)</source>
        <translation>&amp;Save...</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>やり直し(&amp;Y)</source>
        <translation>Re&amp;do</translation>
    </message>
    <message>
        <source>サムネイル一覧(&amp;T)</source>
        <translation>&amp;Thumbnails</translation>
    </message>
    <message>
        <source>サムネイル一覧に戻る(&amp;B)</source>
        <translation>&amp;Back to thumbnails</translation>
    </message>
    <message>
        <source>表示サイズ 100% (&amp;1)</source>
        <translation>Actual size 100% (&amp;1)</translation>
    </message>
    <message>
        <source>画面に合わせる(&amp;F)</source>
        <translation>&amp;Fit to window</translation>
    </message>
    <message>
        <source>RGBヒストグラム(&amp;R)</source>
        <translation>&amp;RGB histogram</translation>
    </message>
    <message>
        <source>終了 (&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>画像ファイル (*.jpg;*.jpeg;*.png;*.gif;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif;*.bmp) (*.jpg *.jpeg *.png *.gif *.tif *.tiff *.webp *.heic *.heif *.avif *.bmp)</source>
        <translation>Pictures (*.jpg;*.jpeg;*.png;*.gif;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif;*.bmp) (*.jpg *.jpeg *.png *.gif *.tif *.tiff *.webp *.heic *.heif *.avif *.bmp)</translation>
    </message>
    <message>
        <source>JPEG イメージファイル (*.jpg) (*.jpg)</source>
        <translation>JPEG image (*.jpg) (*.jpg)</translation>
    </message>
    <message>
        <source>JPEG イメージファイル (*.jpeg) (*.jpeg)</source>
        <translation>JPEG image (*.jpeg) (*.jpeg)</translation>
    </message>
    <message>
        <source>ビットマップ (*.bmp) (*.bmp)</source>
        <translation>Bitmap (*.bmp) (*.bmp)</translation>
    </message>
    <message>
        <source>すべてのファイル (*.*) (*)</source>
        <translation>All files (*.*) (*)</translation>
    </message>
    <message>
        <source>ビットマップ (*.BMP (*.bmp)</source>
        <translation>Bitmap (*.BMP) (*.bmp)</translation>
    </message>
    <message>
        <source>ファイルを開けませんでした。</source>
        <translation>The file could not be opened.</translation>
    </message>
    <message>
        <source>ファイルを保存できませんでした。</source>
        <translation>The file could not be saved.</translation>
    </message>
    <message>
        <source>保存されていない変更があります。終了する前に保存しますか?</source>
        <translation>There are unsaved changes. Save them before quitting?</translation>
    </message>
    <message>
        <source>保存されていない変更があります。別のファイルを開く前に保存しますか?</source>
        <translation>There are unsaved changes. Save them before opening another file?</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存しない</source>
        <translation>Don&apos;t Save</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>自動プレビュー(&amp;P)</source>
        <translation>Auto &amp;preview</translation>
    </message>
    <message>
        <source>レシピを保存(&amp;E)...</source>
        <translation>Sav&amp;e recipe...</translation>
    </message>
    <message>
        <source>レシピを適用(&amp;A)...</source>
        <translation>&amp;Apply recipe...</translation>
    </message>
    <message>
        <source>レシピを保存</source>
        <translation>Save recipe</translation>
    </message>
    <message>
        <source>レシピを適用</source>
        <translation>Apply recipe</translation>
    </message>
    <message>
        <source>レシピを保存できませんでした。</source>
        <translation>The recipe could not be saved.</translation>
    </message>
    <message>
        <source>設定から再現できない %1 個の手順 (手で編集した輝点、リップル) はレシピにコメントとして書き、実行からは外しました。</source>
        <translation>%1 step(s) that settings alone cannot repeat (bright points edited by hand, ripple) were written to the recipe as comments and left out of its run.</translation>
    </message>
    <message>
        <source>レシピを読めませんでした。</source>
        <translation>The recipe could not be read.</translation>
    </message>
    <message>
        <source>レシピを適用する画像が開かれていません。</source>
        <translation>Open a picture to apply the recipe to.</translation>
    </message>
    <message>
        <source>レシピの %1 行目で止まりました。
%2:%1: %3</source>
        <translation>The recipe stopped at line %1.
%2:%1: %3</translation>
    </message>
</context>
<context>
    <name>kira::TFormThumb</name>
    <message>
        <source>再読込(&amp;R)</source>
        <translation>&amp;Reload</translation>
    </message>
    <message>
        <source>ｽﾓｰﾙ(&amp;S)</source>
        <translation>&amp;Small</translation>
    </message>
    <message>
        <source>ﾐﾃﾞｨｱﾑ(&amp;M)</source>
        <translation>&amp;Medium</translation>
    </message>
    <message>
        <source>ﾗｰｼﾞ(&amp;L)</source>
        <translation>&amp;Large</translation>
    </message>
    <message>
        <source>ちらつき防止(&amp;F)</source>
        <translation>Reduce &amp;flicker</translation>
    </message>
    <message>
        <source>画像フォルダ</source>
        <translation>Picture folder</translation>
    </message>
</context>
<context>
    <name>kira::TPageColorFilter</name>
    <message>
        <source>カラー</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>濃度</source>
        <translation>Intensity</translation>
    </message>
</context>
<context>
    <name>kira::TPageMenu</name>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>kira::TPageMirage</name>
    <message>
        <source>面数</source>
        <translation>Faces</translation>
    </message>
    <message>
        <source>角度</source>
        <translation>Angle</translation>
    </message>
    <message>
        <source>オフセット</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>濃度</source>
        <translation>Intensity</translation>
    </message>
    <message>
        <source>種別</source>
        <translation>Type</translation>
    </message>
</context>
<context>
    <name>kira::TPageResize</name>
    <message>
        <source>幅</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>高さ</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>種別</source>
        <translation>Method</translation>
    </message>
</context>
<context>
    <name>kira::TPageRotate</name>
    <message>
        <source>90ﾟ</source>
        <translation>90°</translation>
    </message>
    <message>
        <source>左へ90ﾟ回転</source>
        <translation>Rotate 90° left</translation>
    </message>
    <message>
        <source>右へ90ﾟ回転</source>
        <translation>Rotate 90° right</translation>
    </message>
    <message>
        <source>フリップ</source>
        <translation>Flip</translation>
    </message>
    <message>
        <source>左右反転</source>
        <translation>Flip horizontally</translation>
    </message>
</context>
<context>
    <name>kira::TPageSharpness</name>
    <message>
        <source>シャープネス</source>
        <translation>Sharpness</translation>
    </message>
</context>
<context>
    <name>kira::TPageSoftness</name>
    <message>
        <source>ソフトネス</source>
        <translation>Softness</translation>
    </message>
</context>
<context>
    <name>kira::TPageStarFilter</name>
    <message>
        <source>しきい値</source>
        <translation>Threshold</translation>
    </message>
    <message>
        <source>密度</source>
        <translation>Density</translation>
    </message>
    <message>
        <source>輝点操作</source>
        <translation>Bright points</translation>
    </message>
    <message>
        <source>輝点抽出</source>
        <translation>Find points</translation>
    </message>
    <message>
        <source>輝点リセット</source>
        <translation>Reset points</translation>
    </message>
    <message>
        <source>範囲内の輝点を削除</source>
        <translation>Remove the points in an area</translation>
    </message>
    <message>
        <source>輝点を追加</source>
        <translation>Add a point</translation>
    </message>
    <message>
        <source>長さ</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>角度</source>
        <translation>Angle</translation>
    </message>
    <message>
        <source>濃度</source>
        <translation>Intensity</translation>
    </message>
    <message>
        <source>種別</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>輝点</source>
        <translation>Points</translation>
    </message>
</context>
<context>
    <name>kira::Title</name>
    <message>
        <source>キラボックス</source>
        <translation>KiraBox</translation>
    </message>
</context>
</TS>
