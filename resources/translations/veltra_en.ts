<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>AboutDialog</name>
    <message>
        <source>VELTRA のﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About VELTRA</translation>
    </message>
</context>
<context>
    <name>CopyDialog</name>
    <message>
        <source>リスト内のファイルコピー （ ファイル名 000～999 に変換 ）</source>
        <translation>Copy Files in the List (renamed 000 to 999)</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>リネーム名</source>
        <translation>New name</translation>
    </message>
    <message>
        <source>コピー先</source>
        <translation>Copy to</translation>
    </message>
    <message>
        <source>コピー先は %1 バイト以内で入力してください。</source>
        <translation>The destination must be at most %1 bytes long.</translation>
    </message>
    <message>
        <source>リネーム名に使えない文字が含まれています。</source>
        <translation>The new name contains characters that cannot be used.</translation>
    </message>
    <message>
        <source>ファイルのコピー先を選択してください</source>
        <translation>Choose where to copy the files</translation>
    </message>
</context>
<context>
    <name>CopyProgressDialog</name>
    <message>
        <source>ファイルコピー</source>
        <translation>Copying Files</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>CutCommand</name>
    <message>
        <source>元のファイルを開けませんでした。</source>
        <translation>Could not open the source file.</translation>
    </message>
    <message>
        <source>変換を始められませんでした。</source>
        <translation>Could not start the cut.</translation>
    </message>
    <message>
        <source>変換に失敗しました。</source>
        <translation>The cut failed.</translation>
    </message>
    <message>
        <source>始点時間が、終点時間より大きい値になっています。</source>
        <translation>The start time is later than the end time.</translation>
    </message>
    <message>
        <source>この形式のファイルには書き出せません。</source>
        <translation>Cannot write a file of this kind.</translation>
    </message>
    <message>
        <source>この映像は始点のフレームから切り出せません。</source>
        <translation>This video cannot be cut from the start frame.</translation>
    </message>
    <message>
        <source>ファイルを書き込めませんでした。</source>
        <translation>Could not write the file.</translation>
    </message>
    <message>
        <source>範囲にデータがありません。</source>
        <translation>The range holds no data.</translation>
    </message>
    <message>
        <source>音量は 10 から 300 の数で指定してください。</source>
        <translation>Give the volume as a number from 10 to 300.</translation>
    </message>
    <message>
        <source>使い方: veltra --cut 始点 終点 元のファイル 書き出すファイル [--volume N]</source>
        <translation>Usage: veltra --cut START END SOURCE TARGET [--volume N]</translation>
    </message>
    <message>
        <source>時間は秒 (12.5) か 時:分:秒 (0:01:02.500) で指定してください。</source>
        <translation>Give times as seconds (12.5) or h:mm:ss (0:01:02.500).</translation>
    </message>
    <message>
        <source>書き出すファイルの拡張子が分かりません。</source>
        <translation>The target file&apos;s extension is not known.</translation>
    </message>
</context>
<context>
    <name>EditorController</name>
    <message>
        <source>始点時間が、終点時間より大きい値になっています。</source>
        <translation>The start time is later than the end time.</translation>
    </message>
    <message>
        <source>何らかのエラーが発生しました。</source>
        <translation>An error occurred.</translation>
    </message>
    <message>
        <source>出力先の空き容量が足りないかもしれません。
必要な見込み %1 MB、空き %2 MB
続けますか？</source>
        <translation>The target disk may not have enough free space.
About %1 MB needed, %2 MB free.
Go on anyway?</translation>
    </message>
</context>
<context>
    <name>EditorDialog</name>
    <message>
        <source>ファイル名</source>
        <translation>File</translation>
    </message>
    <message>
        <source>長さ</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>機能</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>動画＆音声カット</source>
        <translation>Video &amp;&amp; audio cut</translation>
    </message>
    <message>
        <source>動画カット</source>
        <translation>Video cut</translation>
    </message>
    <message>
        <source>音声カット</source>
        <translation>Audio cut</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>←</source>
        <translation>←</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>一停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>→</source>
        <translation>→</translation>
    </message>
    <message>
        <source>△</source>
        <translation>△</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>始点</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>終点</source>
        <translation>End</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>|◀</source>
        <translation>|◀</translation>
    </message>
    <message>
        <source>1 フレーム戻る (,)</source>
        <translation>Back one frame (,)</translation>
    </message>
    <message>
        <source>▶|</source>
        <translation>▶|</translation>
    </message>
    <message>
        <source>1 フレーム進む (.)</source>
        <translation>Forward one frame (.)</translation>
    </message>
    <message>
        <source>ここから</source>
        <translation>From here</translation>
    </message>
    <message>
        <source>今の位置を始点にする (I)</source>
        <translation>Start the cut here (I)</translation>
    </message>
    <message>
        <source>ここまで</source>
        <translation>Up to here</translation>
    </message>
    <message>
        <source>今の位置を終点にする (O)</source>
        <translation>End the cut here (O)</translation>
    </message>
    <message>
        <source>形式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>書き出す形式</source>
        <translation>Output format</translation>
    </message>
    <message>
        <source>変換中…</source>
        <translation>Converting…</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
</context>
<context>
    <name>EditorRules</name>
    <message>
        <source>%d 時間</source>
        <translation>%d h </translation>
    </message>
    <message>
        <source>%d 分</source>
        <translation>%d min </translation>
    </message>
    <message>
        <source>%d.%d 秒</source>
        <translation>%d.%d s</translation>
    </message>
    <message>
        <source>Video Files (*.asf)</source>
        <translation>Video Files (*.asf)</translation>
    </message>
    <message>
        <source>Video Files (*.avi)</source>
        <translation>Video Files (*.avi)</translation>
    </message>
    <message>
        <source>Audio Files (*.wav)</source>
        <translation>Audio Files (*.wav)</translation>
    </message>
    <message>
        <source>ファイル名が指定されていません。</source>
        <translation>No file name was given.</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます。</source>
        <translation>The file name is too long.</translation>
    </message>
    <message>
        <source>元のファイルには書き込めません。</source>
        <translation>The source file cannot be overwritten.</translation>
    </message>
    <message>
        <source>保存先のフォルダーが存在しません。</source>
        <translation>The destination folder does not exist.</translation>
    </message>
</context>
<context>
    <name>ErrorReason</name>
    <message>
        <source>空き容量が足りません</source>
        <translation>not enough free space</translation>
    </message>
    <message>
        <source>アクセスが拒否されました</source>
        <translation>access denied</translation>
    </message>
    <message>
        <source>ファイルまたはフォルダーが見つかりません</source>
        <translation>file or folder not found</translation>
    </message>
    <message>
        <source>読み取り専用のドライブです</source>
        <translation>read-only drive</translation>
    </message>
    <message>
        <source>名前が長すぎます</source>
        <translation>name too long</translation>
    </message>
    <message>
        <source>入出力エラーが発生しました</source>
        <translation>input/output error</translation>
    </message>
    <message>
        <source>空き容量が足りません。</source>
        <translation>There is not enough free space.</translation>
    </message>
    <message>
        <source>アクセスが拒否されました。</source>
        <translation>Access was denied.</translation>
    </message>
    <message>
        <source>ファイルまたはフォルダーが見つかりません。</source>
        <translation>The file or folder was not found.</translation>
    </message>
    <message>
        <source>読み取り専用のドライブです。</source>
        <translation>The drive is read-only.</translation>
    </message>
    <message>
        <source>名前が長すぎます。</source>
        <translation>The name is too long.</translation>
    </message>
    <message>
        <source>入出力エラーが発生しました。</source>
        <translation>An input/output error occurred.</translation>
    </message>
</context>
<context>
    <name>FileCopier</name>
    <message>
        <source>コピーしました</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>コピー元のファイルを開けません</source>
        <translation>The source file cannot be opened</translation>
    </message>
    <message>
        <source>コピー先に同じ名前のファイルがあります</source>
        <translation>A file of that name already exists at the destination</translation>
    </message>
    <message>
        <source>コピー元とコピー先が同じファイルです</source>
        <translation>Source and destination are the same file</translation>
    </message>
    <message>
        <source>コピー先の名前が長すぎます</source>
        <translation>The destination name is too long</translation>
    </message>
    <message>
        <source>コピー先に書き込めません (%1)</source>
        <translation>Cannot write to the destination (%1)</translation>
    </message>
    <message>
        <source>中止しました</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>このコピーで書き込んだファイルです</source>
        <translation>This file was written by this copy</translation>
    </message>
</context>
<context>
    <name>FilePrompt</name>
    <message>
        <source>開くメディアファイル...</source>
        <translation>Open Media File</translation>
    </message>
    <message>
        <source>保存するメディアファイル...</source>
        <translation>Save Media File</translation>
    </message>
    <message>
        <source>パスが長すぎるため、このファイル名は使えません。</source>
        <translation>This file name cannot be used because the path is too long.</translation>
    </message>
    <message>
        <source>保存先のフォルダーが存在しません。
%1</source>
        <translation>The destination folder does not exist.
%1</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>Video Files</translation>
    </message>
    <message>
        <source>Audio Files</source>
        <translation>Audio Files</translation>
    </message>
    <message>
        <source>Image Files</source>
        <translation>Image Files</translation>
    </message>
    <message>
        <source>All Files (*.*)</source>
        <translation>All Files (*.*)</translation>
    </message>
    <message>
        <source>All Playlist Files (*.vpl)</source>
        <translation>All Playlist Files (*.vpl)</translation>
    </message>
    <message>
        <source>SoundPlaylist Files (*.m3u)</source>
        <translation>SoundPlaylist Files (*.m3u)</translation>
    </message>
    <message>
        <source>Playlist Files (*.vpl; *.m3u; *.m3u8; *.pls; *.xspf)</source>
        <translation>Playlist Files (*.vpl; *.m3u; *.m3u8; *.pls; *.xspf)</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>検索 (名前・タイトル・アーティスト・アルバム)</source>
        <translation>Find (name, title, artist, album)</translation>
    </message>
</context>
<context>
    <name>GraphReport</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>ListCopy</name>
    <message>
        <source>次のファイルはコピーできませんでした。</source>
        <translation>The following files could not be copied.</translation>
    </message>
    <message>
        <source>コピーを停止しました。残りの %1 個のファイルはコピーしていません。</source>
        <translation>Copying was stopped. The remaining %1 files were not copied.</translation>
    </message>
    <message>
        <source>リスト内にコピーするコンテンツが存在しません。</source>
        <translation>The list has nothing to copy.</translation>
    </message>
    <message>
        <source>リスト内のファイルが %1 個あります。000～999 の番号を付けてコピーできるのは %2 個までです。</source>
        <translation>The list holds %1 files. At most %2 can be copied with the numbers 000 to 999.</translation>
    </message>
    <message>
        <source>リネーム名に使えない文字が含まれています。</source>
        <translation>The new name contains characters that cannot be used.</translation>
    </message>
    <message>
        <source>コピー先のフォルダー %1 がありません。</source>
        <translation>The destination folder %1 does not exist.</translation>
    </message>
    <message>
        <source>コピー先のフォルダー %1 に書き込めません。</source>
        <translation>Cannot write to the destination folder %1.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>リスト内のコンテンツを選択して下さい。</source>
        <translation>Select an item in the list.</translation>
    </message>
    <message>
        <source>動画または音声コンテンツのみ編集可能です。</source>
        <translation>Only video or audio items can be edited.</translation>
    </message>
    <message>
        <source>DirectSoundの作成に失敗しました。</source>
        <translation>The sound device could not be opened.</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Viewer</source>
        <translation>&amp;Viewer</translation>
    </message>
    <message>
        <source>MENU</source>
        <translation>MENU</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>一停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>前へ</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>次へ</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>再生 (%1 / %2)</source>
        <translation>Play (%1 / %2)</translation>
    </message>
    <message>
        <source>一時停止 (%1)</source>
        <translation>Pause (%1)</translation>
    </message>
    <message>
        <source>開く (%1)</source>
        <translation>Open (%1)</translation>
    </message>
    <message>
        <source>メニュー</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>ビューア</source>
        <translation>Viewer</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>再生位置 (%1 %2: 5 秒, %3: 30 秒, ホイール)</source>
        <translation>Position (%1 %2: 5 s, %3: 30 s, wheel)</translation>
    </message>
    <message>
        <source>音量 (+ / -, ホイール)</source>
        <translation>Volume (+ / -, wheel)</translation>
    </message>
    <message>
        <source>再生位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
</context>
<context>
    <name>MediaGraph</name>
    <message>
        <source>画像が大きすぎるため開けません（%1 × %2 ピクセル、上限 %3 ピクセル）。</source>
        <translation>This picture is too large to open (%1 × %2 pixels; the limit is %3 pixels).</translation>
    </message>
</context>
<context>
    <name>Menus</name>
    <message>
        <source>&amp;MENU</source>
        <translation>&amp;MENU</translation>
    </message>
    <message>
        <source>ファイル（&amp;F）</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>ファイルを開く(&amp;O)</source>
        <translation>&amp;Open File...</translation>
    </message>
    <message>
        <source>プレイリストの保存(&amp;S)</source>
        <translation>&amp;Save Playlist...</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;E)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>システム（&amp;S）</source>
        <translation>&amp;System</translation>
    </message>
    <message>
        <source>リスト内のコピー(&amp;P)</source>
        <translation>Co&amp;py Files in List...</translation>
    </message>
    <message>
        <source>リストのクリアー(&amp;C)</source>
        <translation>&amp;Clear List</translation>
    </message>
    <message>
        <source>リスト表示（&amp;L）</source>
        <translation>&amp;List View</translation>
    </message>
    <message>
        <source>アイコン(&amp;N)</source>
        <translation>Ico&amp;ns</translation>
    </message>
    <message>
        <source>大きいアイコン</source>
        <translation>Large icons</translation>
    </message>
    <message>
        <source>詳細（&amp;D）</source>
        <translation>&amp;Details</translation>
    </message>
    <message>
        <source>詳細</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>並べて表示(&amp;S)</source>
        <translation>&amp;Small Icons</translation>
    </message>
    <message>
        <source>小さいアイコン</source>
        <translation>Small icons</translation>
    </message>
    <message>
        <source>一覧（&amp;L）</source>
        <translation>&amp;List</translation>
    </message>
    <message>
        <source>一覧</source>
        <translation>List</translation>
    </message>
    <message>
        <source>画面設定（&amp;V）</source>
        <translation>&amp;Video</translation>
    </message>
    <message>
        <source>原画サイズ(&amp;N)</source>
        <translation>&amp;Native Size</translation>
    </message>
    <message>
        <source>再生時に、ウィンドウを原寸サイズにします。</source>
        <translation>Resizes the window to the video&apos;s own size on playback.</translation>
    </message>
    <message>
        <source>ウィンドウサイズ優先（&amp;S）</source>
        <translation>Keep Window &amp;Size</translation>
    </message>
    <message>
        <source>再生時に、ウィンドウサイズを維持したままにします。</source>
        <translation>Keeps the window&apos;s size on playback.</translation>
    </message>
    <message>
        <source>情報(&amp;A)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>バージョン情報（&amp;A）</source>
        <translation>&amp;About VELTRA</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>全画面切り替え(&amp;F)</source>
        <translation>&amp;Full Screen</translation>
    </message>
    <message>
        <source>再生（&amp;P）</source>
        <translation>&amp;Play</translation>
    </message>
    <message>
        <source>一時停止(&amp;T)</source>
        <translation>Pa&amp;use</translation>
    </message>
    <message>
        <source>停止(&amp;S)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>キャンセル（&amp;C）</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>字幕を表示(&amp;U)</source>
        <translation>Show S&amp;ubtitles</translation>
    </message>
    <message>
        <source>出力デバイス(&amp;D)</source>
        <translation>Output &amp;Device</translation>
    </message>
    <message>
        <source>システムの既定</source>
        <translation>System Default</translation>
    </message>
</context>
<context>
    <name>NameLines</name>
    <message>
        <source>
ほか %1 件</source>
        <translation>
and %1 more</translation>
    </message>
</context>
<context>
    <name>OutputKinds</name>
    <message>
        <source>元の形式（再エンコードなし）</source>
        <translation>Same format (no re-encoding)</translation>
    </message>
    <message>
        <source>MP4 (H.264 + AAC)</source>
        <translation>MP4 (H.264 + AAC)</translation>
    </message>
    <message>
        <source>WebM (VP9 + Opus)</source>
        <translation>WebM (VP9 + Opus)</translation>
    </message>
    <message>
        <source>FLAC（可逆圧縮の音声）</source>
        <translation>FLAC (lossless sound)</translation>
    </message>
    <message>
        <source>Opus（音声）</source>
        <translation>Opus (sound)</translation>
    </message>
    <message>
        <source>MP3（音声）</source>
        <translation>MP3 (sound)</translation>
    </message>
    <message>
        <source>元の形式</source>
        <translation>Same format</translation>
    </message>
    <message>
        <source>%1 ファイル</source>
        <translation>%1 files</translation>
    </message>
</context>
<context>
    <name>PlayerApp</name>
    <message>
        <source>アプリケーションは既に起動しています。
処理を中止します。</source>
        <translation>VELTRA is already running.
This instance will quit.</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>PlaylistCtrl</name>
    <message>
        <source>パスが長すぎるため、次の項目を追加できませんでした。</source>
        <translation>The following items were not added because their paths are too long.</translation>
    </message>
    <message>
        <source>次のプレイリストを開けませんでした。</source>
        <translation>The following playlists could not be opened.</translation>
    </message>
    <message>
        <source>%1 を削除して、ごみ箱へ移動してもよいですか？</source>
        <translation>Move %1 to the trash?</translation>
    </message>
    <message>
        <source>選択ファイル削除</source>
        <translation>Delete File</translation>
    </message>
    <message>
        <source>リストから削除(&amp;C)</source>
        <translation>&amp;Remove from List</translation>
    </message>
    <message>
        <source>ファイルの削除(&amp;D)</source>
        <translation>&amp;Delete File</translation>
    </message>
    <message>
        <source>階層が深すぎるため、次のフォルダーの中は追加しませんでした。</source>
        <translation>These folders lie too deep; nothing in them was added.</translation>
    </message>
</context>
<context>
    <name>PlaylistFile</name>
    <message>
        <source>保存先のフォルダーが存在しません。</source>
        <translation>The destination folder does not exist.</translation>
    </message>
    <message>
        <source>ファイルに書き込む権限がありません。</source>
        <translation>You have no permission to write to the file.</translation>
    </message>
    <message>
        <source>フォルダーに書き込む権限がありません。</source>
        <translation>You have no permission to write to the folder.</translation>
    </message>
    <message>
        <source>ディスクの空き容量が足りません。</source>
        <translation>There is not enough free space on the disk.</translation>
    </message>
    <message>
        <source>
この名前では保存できません。</source>
        <translation>
cannot be saved under this name.</translation>
    </message>
    <message>
        <source>
に保存できません。</source>
        <translation>
cannot be saved. </translation>
    </message>
    <message>
        <source>
を開けません。
</source>
        <translation>
cannot be opened.
</translation>
    </message>
    <message>
        <source>
を読み込めません。
</source>
        <translation>
cannot be read.
</translation>
    </message>
    <message>
        <source>
はプレイリストとして読み込めません。</source>
        <translation>
cannot be read as a playlist.</translation>
    </message>
    <message>
        <source>
には、リストに追加できるファイルがありません。</source>
        <translation>
names no file that can be added to the list.</translation>
    </message>
    <message>
        <source>次のファイルの名前はプレイリストに書けないため、保存を中止しました。</source>
        <translation>Not saved: no playlist line can hold these file names.</translation>
    </message>
</context>
<context>
    <name>PlaylistModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>State</source>
        <translation>State</translation>
    </message>
    <message>
        <source>タイトル</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>アーティスト</source>
        <translation>Artist</translation>
    </message>
    <message>
        <source>アルバム</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>長さ</source>
        <translation>Length</translation>
    </message>
</context>
<context>
    <name>ProfileDialog</name>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>リストを取得できませんでした。</source>
        <translation>The list of profiles could not be read.</translation>
    </message>
</context>
<context>
    <name>PropertyFrame</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>適用(&amp;A)</source>
        <translation>&amp;Apply</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Folder</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
</context>
<context>
    <name>SkinFile</name>
    <message>
        <source>スキンデータが存在しません。</source>
        <translation>The skin data (skin.dat) is missing.</translation>
    </message>
    <message>
        <source>スキンデータの対応バージョンが異なります。</source>
        <translation>The skin data is of an unsupported version.</translation>
    </message>
</context>
<context>
    <name>SplashWindow</name>
    <message>
        <source>再生する。切り出す。大切なところを残す。</source>
        <translation>Play it. Cut it. Keep what matters.</translation>
    </message>
    <message>
        <source>メディアプレーヤー＆カッター</source>
        <translation>Media player &amp; cutter</translation>
    </message>
</context>
<context>
    <name>StillCapture</name>
    <message>
        <source>Still Files (*.bmp)</source>
        <translation>Still Files (*.bmp)</translation>
    </message>
    <message>
        <source>サムネイルの取得に失敗しました。</source>
        <translation>The still could not be taken.</translation>
    </message>
    <message>
        <source>サムネイルの作成に失敗しました。</source>
        <translation>The still could not be saved.</translation>
    </message>
    <message>
        <source>%1 に
サムネイルを作成しました。</source>
        <translation>A still was saved as
%1</translation>
    </message>
</context>
<context>
    <name>Trash</name>
    <message>
        <source>%1 をごみ箱へ移動できませんでした。
</source>
        <translation>%1 could not be moved to the trash.
</translation>
    </message>
    <message>
        <source>このドライブにはごみ箱がありません。</source>
        <translation>This drive has no trash.</translation>
    </message>
</context>
<context>
    <name>Usage</name>
    <message>
        <source>使い方: veltra [--lang=ja|en] [/3ds] [ファイル]
        veltra --enqueue ファイル...
        veltra --cut 始点 終点 元のファイル 書き出すファイル [--volume N]
        veltra --help | --version

リストの動画・音声・画像ファイルをスキンのウィンドウで再生し、その範囲を
新しいファイルに切り出します。

  ファイル      起動時にリストへ加えるメディアファイルかプレイリスト
                （複数あるときは最後のもの）
  --lang=ja|en  表示の言語（なければ VELTRA_LANG、次にロケールに従う）
  --enqueue     動いている VELTRA のリストの最後にファイルを加える
  /3ds          サウンドデバイスの 3D 制御を切る
  --cut         元のファイルの始点から終点まで（秒か 時:分:秒.ミリ秒）を
                ウィンドウなしで書き出す。--volume は WAV の音量（10～300 %）
  --help        この説明を表示して終了する
  --version     バージョンを表示して終了する
</source>
        <translation>Usage: veltra [--lang=ja|en] [/3ds] [FILE]
       veltra --enqueue FILE...
       veltra --cut START END SOURCE TARGET [--volume N]
       veltra --help | --version

Plays the video, audio and picture files of a list in a skinned window and cuts
ranges of them into new files.

  FILE          a media file or playlist added to the list at start
                (with several, the last one counts)
  --lang=ja|en  the language of the texts (else VELTRA_LANG, then the locale)
  --enqueue     add the files to the end of the list of the VELTRA that runs
  /3ds          turn the sound device&apos;s 3D control off
  --cut         write START to END (seconds, or h:mm:ss.fff) of SOURCE to TARGET
                without a window; --volume sets a WAV&apos;s volume (10 to 300 %)
  --help        show this text and exit
  --version     show the version and exit
</translation>
    </message>
</context>
</TS>
