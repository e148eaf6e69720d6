// SPDX-License-Identifier: GPL-3.0-or-later
// Every text the shell shows, in one place, exactly as the user sees it.
#pragma once

#include <QStringView>

namespace swirlon::texts {

inline constexpr QStringView AppName = u"Swirlon";
inline constexpr QStringView OrganisationName = u"Local AppWizard-Generated Applications";
// The desktop entry's file name without ".desktop", by which desktops match the window to it.
inline constexpr QStringView DesktopName = u"io.github.swirlon.Swirlon";

inline constexpr QStringView MenuFile = u"ﾌｧｲﾙ(&F)";
inline constexpr QStringView MenuCalculation = u"計算(&C)";
inline constexpr QStringView MenuDisplay = u"表示(&D)";
inline constexpr QStringView MenuHelp = u"ﾍﾙﾌﾟ(&H)";

inline constexpr QStringView ItemLoad = u"初期渦度場の読み込み";
inline constexpr QStringView ItemExit = u"ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)";
inline constexpr QStringView ItemStart = u"開始(&G)";
inline constexpr QStringView ItemStop = u"中断(&S)";
inline constexpr QStringView ItemRe100 = u"レイノルズ数＝100";
inline constexpr QStringView ItemRe1000 = u"レイノルズ数＝1000";
inline constexpr QStringView ItemRe10000 = u"レイノルズ数＝10000";
inline constexpr QStringView ItemVorticity = u"渦度(&X)";
inline constexpr QStringView ItemSpeed2 = u"速度の２乗(&V)";
inline constexpr QStringView ItemAbout = u"test のﾊﾞｰｼﾞｮﾝ情報(&A)...";

// Message pane: idle text and the prompts of the two items that have one.
inline constexpr QStringView Ready = u"ﾚﾃﾞｨ";
inline constexpr QStringView PromptAbout = u"ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示";
inline constexpr QStringView PromptExit = u"ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示";

// Key-state panes, left to right.
inline constexpr QStringView PaneKana = u"ｶﾅ";
inline constexpr QStringView PaneCaps = u"CAP";
inline constexpr QStringView PaneNum = u"NUM";
inline constexpr QStringView PaneScroll = u"SCRL";

inline constexpr QStringView CloseWhileRunning = u"計算中です";
inline constexpr QStringView RunDiverged = u"計算が発散しました。\n計算を中断します。";

// File errors; "%1" stands for the path.
inline constexpr QStringView NoFileName = u"ファイル名がありません。";
inline constexpr QStringView OpenFailed = u"%1 の\nオープンに失敗しました。";
inline constexpr QStringView BmpFileHeaderShort = u"%1 の\nBITMAPFILEHEADER 読み込みに失敗しました。";
inline constexpr QStringView BmpInfoHeaderShort = u"%1 の\nBITMAPINFOHEADER 読み込みに失敗しました。";
inline constexpr QStringView BmpNot24Bit = u"%1 は\n24 bit でありません。";
inline constexpr QStringView BmpDataCutShort = u"%1 は\nデータがきれています。";
inline constexpr QStringView BmpNotBmp = u"%1 は\nBMP ファイルでありません。";
inline constexpr QStringView BmpDamaged = u"%1 は\n壊れています。";
inline constexpr QStringView BmpCompressed = u"%1 は\n圧縮されています。";
inline constexpr QStringView BmpNegativeWidth = u"%1 は\n幅が負の値です。";
inline constexpr QStringView BmpOutOfMemory = u"%1 の\n読み込みに必要なメモリが足りません。";
inline constexpr QStringView PictureUnreadable = u"%1 は\n読み込める画像ファイルでありません。";
// Errors of files the window does not read or write yet.
inline constexpr QStringView ReadFailed = u"%1 の\n読み込みに失敗しました。";
inline constexpr QStringView WriteFailed = u"%1 の\n書き込みに失敗しました。";
// The line a refusal by the system adds below the texts above; %1 is the system's reason.
inline constexpr QStringView SystemReason = u"理由: %1";
inline constexpr QStringView MovieFormatRefused =
    u"%1 は\n動画として書けません。名前の末尾は .mp4、.webm、.gif のどれかにしてください。";
inline constexpr QStringView NotNpyField = u"%1 は\n128x128 の float64 .npy ファイルでありません。";
inline constexpr QStringView NotStateFile = u"%1 は\nSwirlon の状態ファイルでありません。";
inline constexpr QStringView StateDamaged = u"%1 は\n壊れています。";

inline constexpr QStringView FilterBmp = u"24bit BMPファイル(*.bmp)";
inline constexpr QStringView FilterAll = u"全てのファイル(*.*)";
inline constexpr QStringView DefaultSuffix = u"bmp";
// After the two above: every picture format the image reader knows; "%1" stands for its patterns.
inline constexpr QStringView FilterPictures = u"画像ファイル(%1)";
inline constexpr QStringView FilterPng = u"PNG画像(*.png)";
inline constexpr QStringView PngSuffix = u"png";
inline constexpr QStringView RecordFolderTitle = u"コマを記録するフォルダ";

inline constexpr QStringView AboutCaption = u"Swirlonのﾊﾞｰｼﾞｮﾝ情報";
inline constexpr QStringView AboutVersion = u"Swirlon Version 1.0";
inline constexpr QStringView AboutDescription = u"二次元の渦の流れを見るシミュレータ";
inline constexpr QStringView AboutOk = u"OK";

// Picture commands: items and their prompts.
inline constexpr QStringView ItemAutoRange = u"色の範囲を自動調整(&A)";
inline constexpr QStringView PromptAutoRange = u"色の範囲を今の場の最大値に合わせる";
inline constexpr QStringView ItemLegend = u"色の凡例(&L)";
inline constexpr QStringView PromptLegend = u"絵の横に色と値の対応を表示";
inline constexpr QStringView ItemSavePicture = u"画像の保存(&I)...";
inline constexpr QStringView PromptSavePicture = u"表示中の絵をPNGﾌｧｲﾙに保存";
inline constexpr QStringView ItemRecordFrames = u"コマの記録(&M)...";
inline constexpr QStringView PromptRecordFrames = u"表示する絵をすべてPNGﾌｧｲﾙとしてﾌｫﾙﾀﾞに保存";
inline constexpr QStringView MenuZoom = u"拡大率(&Z)";
inline constexpr QStringView PromptZoom = u"絵を拡大して表示する倍率を選択";
inline constexpr QStringView ItemZoom2 = u"2倍";
inline constexpr QStringView PromptZoom2 = u"格子の1点を2ﾋﾟｸｾﾙ角で表示";
inline constexpr QStringView ItemZoom3 = u"3倍";
inline constexpr QStringView PromptZoom3 = u"格子の1点を3ﾋﾟｸｾﾙ角で表示";
inline constexpr QStringView ItemZoom4 = u"4倍";
inline constexpr QStringView PromptZoom4 = u"格子の1点を4ﾋﾟｸｾﾙ角で表示";
inline constexpr QStringView ItemZoomFit = u"ウィンドウに合わせる";
inline constexpr QStringView PromptZoomFit = u"ｳｨﾝﾄﾞｳに収まる最大の整数倍で表示";
// The colour maps: the Display menu's submenu at its bottom, its items and their prompts.
inline constexpr QStringView MenuColours = u"配色(&C)";
inline constexpr QStringView PromptColours = u"絵と凡例の配色を選択";
inline constexpr QStringView ItemColoursClassic = u"標準";
inline constexpr QStringView PromptColoursClassic =
    u"渦度は赤と青が黒に退く色、速度の２乗は黒から白への色 (起動時の配色)";
inline constexpr QStringView ItemColoursDiverging = u"発散型";
inline constexpr QStringView PromptColoursDiverging =
    u"青から薄い灰色 (ゼロ) を経て赤へ: 知覚的に均等で色覚の多様性に配慮";
inline constexpr QStringView ItemColoursSequential = u"連続型";
inline constexpr QStringView PromptColoursSequential =
    u"暗い青紫から緑を経て黄へ (viridis): 知覚的に均等で色覚の多様性に配慮";
// Movies: the File menu's item, its dialog, the status pane while it records ("%1" the frames
// taken, "%2" those skipped while the encoder was behind) and the closing confirmation.
inline constexpr QStringView ItemRecordMovie = u"動画の記録(&V)...";
inline constexpr QStringView PromptRecordMovie = u"表示する絵をすべて動画ﾌｧｲﾙ (MP4、WebM、GIF) に記録";
inline constexpr QStringView FilterMp4 = u"MP4動画(*.mp4)";
inline constexpr QStringView FilterWebm = u"WebM動画(*.webm)";
inline constexpr QStringView FilterGif = u"GIFアニメーション(*.gif)";
inline constexpr QStringView Mp4Suffix = u"mp4";
inline constexpr QStringView MovieRecordingPane = u"録画中: %1 コマ";
inline constexpr QStringView MovieSkippedNote = u" (%1 コマ省略)";
inline constexpr QStringView ConfirmMovieRecorded = u"動画の記録を終えました: %1 に %2 コマ";
// Status pane while frames are recorded; "%1" stands for the frames written so far.
inline constexpr QStringView RecordingPane = u"記録中: %1 コマ";

// Watching a run: the Calculation menu below its separator.
inline constexpr QStringView ItemStep = u"1コマ進める(&T)";
inline constexpr QStringView ItemReset = u"最初に戻す(&R)";
inline constexpr QStringView MenuPace = u"速さ(&P)";
inline constexpr QStringView ItemPace0_1 = u"毎秒 0.1";
inline constexpr QStringView ItemPace0_5 = u"毎秒 0.5";
inline constexpr QStringView ItemPace2 = u"毎秒 2";
inline constexpr QStringView ItemPace10 = u"毎秒 10";
inline constexpr QStringView ItemPaceMax = u"最大(&M)";
inline constexpr QStringView PromptStep = u"計算を1コマ(時間0.01)だけ進める";
inline constexpr QStringView PromptReset = u"最後に選んだ初期渦度場か読み込んだ状態に戻し、時刻もその時点に戻す";
// The small-scale filter of the Calculation menu.
inline constexpr QStringView ItemFilter = u"小さな渦の減衰フィルタ(&F)";
inline constexpr QStringView PromptFilter = u"格子で表せない小さな渦を毎ステップ後に滑らかに減衰させる";
// Forcing and large-scale drag of the Calculation menu.
inline constexpr QStringView MenuGrid = u"格子(&G)";
inline constexpr QStringView PromptGrid = u"計算する格子の細かさを選ぶ (流れはそのまま移される)";
inline constexpr QStringView ItemGrid64 = u"64×64";
inline constexpr QStringView ItemGrid128 = u"128×128";
inline constexpr QStringView ItemGrid256 = u"256×256";
inline constexpr QStringView ItemGrid512 = u"512×512";
inline constexpr QStringView PromptGridCoarse = u"粗い格子で速く計算する";
inline constexpr QStringView PromptGridDefault = u"標準の格子で計算する";
inline constexpr QStringView PromptGridFine = u"細かい格子で高いレイノルズ数の流れを正確に計算する";
inline constexpr QStringView PromptGridFinest = u"最も細かい格子で計算する (時間がかかる)";
inline constexpr QStringView MenuForcing = u"外力(&O)";
inline constexpr QStringView PromptForcing = u"流れを駆動し続ける外力を選ぶ";
inline constexpr QStringView ItemForcingNone = u"なし";
inline constexpr QStringView ItemForcingStripes = u"縞状の外力";
inline constexpr QStringView ItemForcingRing = u"ランダムな外力";
inline constexpr QStringView PromptForcingNone = u"外力を加えない";
inline constexpr QStringView PromptForcingStripes = u"縞状の一定の外力を加える";
inline constexpr QStringView PromptForcingRing = u"決まった大きさの渦をランダムに加え続ける";
inline constexpr QStringView ItemDrag = u"大規模摩擦(&D)";
inline constexpr QStringView PromptDrag = u"全ての渦を渦度に比例して弱める摩擦を加える";
inline constexpr QStringView PromptPace = u"計算の速さを選ぶ";
inline constexpr QStringView PromptPace0_1 = u"1秒間に時間を0.1だけ進める";
inline constexpr QStringView PromptPace0_5 = u"1秒間に時間を0.5だけ進める";
inline constexpr QStringView PromptPace2 = u"1秒間に時間を2だけ進める";
inline constexpr QStringView PromptPace10 = u"1秒間に時間を10だけ進める";
inline constexpr QStringView PromptPaceMax = u"できるだけ速く計算する";

// The File menu's built-in fields.
inline constexpr QStringView MenuBuiltInFields = u"組み込みの初期渦度場(&B)";
inline constexpr QStringView PromptBuiltInFields = u"ﾌﾟﾛｸﾞﾗﾑに組み込まれた初期渦度場を選ぶ";
inline constexpr QStringView FieldDefault = u"起動時の渦(&D)";
inline constexpr QStringView FieldTaylorGreen = u"テイラー・グリーン渦(&T)";
inline constexpr QStringView FieldVortexPair = u"渦対(&P)";
inline constexpr QStringView FieldShearLayer = u"二重せん断層(&S)";
inline constexpr QStringView FieldRandomTurbulence = u"ランダムな乱流(&R)";
inline constexpr QStringView PromptFieldDefault = u"起動時と同じ渦の配置を初期渦度場にする";
inline constexpr QStringView PromptFieldTaylorGreen = u"正弦波の渦が格子状に並んだ場を初期渦度場にする";
inline constexpr QStringView PromptFieldVortexPair = u"回転の向きが逆の2つの渦が並んで進む場を初期渦度場にする";
inline constexpr QStringView PromptFieldShearLayer = u"2つのせん断層が巻き上がって渦になる場を初期渦度場にする";
inline constexpr QStringView PromptFieldRandomTurbulence = u"乱数で作った乱流を初期渦度場にする";
inline constexpr QStringView FieldForcedTurbulence = u"外力で保たれる乱流(&F)";
inline constexpr QStringView FieldKolmogorov = u"縞状の外力で崩れる流れ(&K)";
inline constexpr QStringView PromptFieldForcedTurbulence =
    u"ランダムな外力と大規模摩擦で釣り合う乱流を初期渦度場にし、レイノルズ数を10000にする";
inline constexpr QStringView PromptFieldKolmogorov =
    u"縞状の外力が保つ流れに小さな乱れを加えた場を初期渦度場にし、レイノルズ数を1000にする";

// The message pane after a command: what a key or a drop during a run waits for, and what a
// save, a load or a recording did (%1 the path, %2 the frames recorded).
inline constexpr QStringView NotDuringRun = u"計算中は使えません。中断してから選んでください";
inline constexpr QStringView ConfirmSaved = u"%1 に保存しました";
inline constexpr QStringView ConfirmLoaded = u"%1 を読み込みました";
inline constexpr QStringView ConfirmRecorded = u"コマの記録を終えました: %1 に %2 コマ";
// The pane of the value under the pointer: x, y and the value shown.
inline constexpr QStringView PanePointerVorticity = u"x = %1, y = %2, 渦度 = %3";
inline constexpr QStringView PanePointerSpeed = u"x = %1, y = %2, 速度の２乗 = %3";

// Status panes beside the prompt; %1 is the value.
inline constexpr QStringView PaneTime = u"t = %1";
inline constexpr QStringView PaneReynolds = u"Re = %1";
inline constexpr QStringView PaneFrameRate = u"%1 コマ/秒";
// The same when the chosen pace is not reached; %2 is the pace reached.
inline constexpr QStringView PanePaceReached = u"%1 コマ/秒 (実際は毎秒 %2)";
inline constexpr QStringView PaneSubSteps = u"サブステップ %1";
// Health pane: enstrophy has piled up at the band edge, finer than the grid can show.
inline constexpr QStringView PaneUnderResolved = u"解像度不足";
inline constexpr QStringView PaneGrid = u"格子 %1×%1";

// Live plots: the Display menu's item, the File menu's export, the dock and its curves.
inline constexpr QStringView ItemPlots = u"グラフ(&G)";
inline constexpr QStringView PromptPlots = u"エネルギー、エンストロフィー、最大渦度とスペクトルのグラフを表示";
// The hand on the flow: stirring below the Calculation menu's last separator, the dye picture
// below the Display menu's.
inline constexpr QStringView ItemStir = u"マウスでかき混ぜる(&M)";
inline constexpr QStringView PromptStir = u"絵の上のドラッグで流れをかき混ぜ、渦を描く";
inline constexpr QStringView ItemDye = u"色素(&Y)";
inline constexpr QStringView PromptDye = u"流れに運ばれる色素を表示 (読み込んだ絵の色、なければその時の渦度の絵)";
// Message pane while the pointer is over the picture and stirring is on; %1 is the brush's
// radius in grid points.
inline constexpr QStringView StirHint =
    u"左ドラッグ: かき混ぜる　右ドラッグ: 正の渦を描く (Shift+右: 負の渦)　ホイール: 太さ %1";
inline constexpr QStringView ItemSavePlotData = u"グラフのデータを保存(&E)...";
inline constexpr QStringView PromptSavePlotData = u"グラフの時系列をCSVﾌｧｲﾙに保存";
inline constexpr QStringView FilterCsv = u"CSVﾌｧｲﾙ(*.csv)";
inline constexpr QStringView CsvSuffix = u"csv";
inline constexpr QStringView DockPlots = u"グラフ";
// Energy and enstrophy relative to their values at the start of the series.
inline constexpr QStringView CurveEnergy = u"エネルギー比";
inline constexpr QStringView CurveEnstrophy = u"エンストロフィー比";
inline constexpr QStringView CurveMaxVorticity = u"最大|渦度|";
inline constexpr QStringView CurveSubSteps = u"サブステップ数(右)";
inline constexpr QStringView CurveSpectrum = u"E(k)";
inline constexpr QStringView CurveSpectrumGuide = u"k⁻³";
inline constexpr QStringView CurveInjection = u"外力の仕事率";
inline constexpr QStringView CurveDissipation = u"粘性散逸";
inline constexpr QStringView CurveDrag = u"摩擦による損失";
inline constexpr QStringView AxisRate = u"dE/dt の内訳";
inline constexpr QStringView AxisTime = u"t";
inline constexpr QStringView AxisRatio = u"E/E(0), Z/Z(0)";
inline constexpr QStringView AxisMaxVorticity = u"最大|渦度|";
inline constexpr QStringView AxisSubSteps = u"サブステップ数";
inline constexpr QStringView AxisSpectrum = u"E(k)";
inline constexpr QStringView AxisWaveNumber = u"k";

// Saved runs: the File menu's items, their dialogs' filter and the note on a Reynolds number
// the menu does not offer (%1 the path, %2 the file's number, %3 the window's).
inline constexpr QStringView ItemLoadState = u"状態の読み込み(&O)...";
inline constexpr QStringView PromptLoadState = u"保存した計算の状態を読み込み、その時刻から続ける";
inline constexpr QStringView ItemSaveState = u"状態の保存(&A)...";
inline constexpr QStringView PromptSaveState = u"計算の状態を時刻と設定とともにﾌｧｲﾙに保存";
inline constexpr QStringView FilterState = u"状態ファイル(*.npz *.npy)";
inline constexpr QStringView StateSuffix = u"npz";
inline constexpr QStringView ReynoldsNotOffered =
    u"%1 は\nレイノルズ数 %2 で計算された状態です。\nメニューにない値のため、レイノルズ数 %3 で続けます。";

}  // namespace swirlon::texts
