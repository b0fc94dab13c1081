<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="ja_JP">
<context>
    <name>AboutDialog</name>
    <message>
        <source>VELTRA のﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>VELTRA のﾊﾞｰｼﾞｮﾝ情報</translation>
    </message>
</context>
<context>
    <name>CopyDialog</name>
    <message>
        <source>リスト内のファイルコピー （ ファイル名 000～999 に変換 ）</source>
        <translation>リスト内のファイルコピー （ ファイル名 000～999 に変換 ）</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>ｷｬﾝｾﾙ</translation>
    </message>
    <message>
        <source>リネーム名</source>
        <translation>リネーム名</translation>
    </message>
    <message>
        <source>コピー先</source>
        <translation>コピー先</translation>
    </message>
    <message>
        <source>コピー先は %1 バイト以内で入力してください。</source>
        <translation>コピー先は %1 バイト以内で入力してください。</translation>
    </message>
    <message>
        <source>リネーム名に使えない文字が含まれています。</source>
        <translation>リネーム名に使えない文字が含まれています。</translation>
    </message>
    <message>
        <source>ファイルのコピー先を選択してください</source>
        <translation>ファイルのコピー先を選択してください</translation>
    </message>
</context>
<context>
    <name>CopyProgressDialog</name>
    <message>
        <source>ファイルコピー</source>
        <translation>ファイルコピー</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
</context>
<context>
    <name>CutCommand</name>
    <message>
        <source>元のファイルを開けませんでした。</source>
        <translation>元のファイルを開けませんでした。</translation>
    </message>
    <message>
        <source>変換を始められませんでした。</source>
        <translation>変換を始められませんでした。</translation>
    </message>
    <message>
        <source>変換に失敗しました。</source>
        <translation>変換に失敗しました。</translation>
    </message>
    <message>
        <source>始点時間が、終点時間より大きい値になっています。</source>
        <translation>始点時間が、終点時間より大きい値になっています。</translation>
    </message>
    <message>
        <source>この形式のファイルには書き出せません。</source>
        <translation>この形式のファイルには書き出せません。</translation>
    </message>
    <message>
        <source>この映像は始点のフレームから切り出せません。</source>
        <translation>この映像は始点のフレームから切り出せません。</translation>
    </message>
    <message>
        <source>ファイルを書き込めませんでした。</source>
        <translation>ファイルを書き込めませんでした。</translation>
    </message>
    <message>
        <source>範囲にデータがありません。</source>
        <translation>範囲にデータがありません。</translation>
    </message>
    <message>
        <source>音量は 10 から 300 の数で指定してください。</source>
        <translation>音量は 10 から 300 の数で指定してください。</translation>
    </message>
    <message>
        <source>使い方: veltra --cut 始点 終点 元のファイル 書き出すファイル [--volume N]</source>
        <translation>使い方: veltra --cut 始点 終点 元のファイル 書き出すファイル [--volume N]</translation>
    </message>
    <message>
        <source>時間は秒 (12.5) か 時:分:秒 (0:01:02.500) で指定してください。</source>
        <translation>時間は秒 (12.5) か 時:分:秒 (0:01:02.500) で指定してください。</translation>
    </message>
    <message>
        <source>書き出すファイルの拡張子が分かりません。</source>
        <translation>書き出すファイルの拡張子が分かりません。</translation>
    </message>
</context>
<context>
    <name>EditorController</name>
    <message>
        <source>始点時間が、終点時間より大きい値になっています。</source>
        <translation>始点時間が、終点時間より大きい値になっています。</translation>
    </message>
    <message>
        <source>何らかのエラーが発生しました。</source>
        <translation>何らかのエラーが発生しました。</translation>
    </message>
    <message>
        <source>出力先の空き容量が足りないかもしれません。
必要な見込み %1 MB、空き %2 MB
続けますか？</source>
        <translation>出力先の空き容量が足りないかもしれません。
必要な見込み %1 MB、空き %2 MB
続けますか？</translation>
    </message>
</context>
<context>
    <name>EditorDialog</name>
    <message>
        <source>ファイル名</source>
        <translation>ファイル名</translation>
    </message>
    <message>
        <source>長さ</source>
        <translation>長さ</translation>
    </message>
    <message>
        <source>機能</source>
        <translation>機能</translation>
    </message>
    <message>
        <source>動画＆音声カット</source>
        <translation>動画＆音声カット</translation>
    </message>
    <message>
        <source>動画カット</source>
        <translation>動画カット</translation>
    </message>
    <message>
        <source>音声カット</source>
        <translation>音声カット</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>←</source>
        <translation>←</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>再生</translation>
    </message>
    <message>
        <source>一停</source>
        <translation>一停</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
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
        <translation>位置</translation>
    </message>
    <message>
        <source>始点</source>
        <translation>始点</translation>
    </message>
    <message>
        <source>終点</source>
        <translation>終点</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>実行</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>ｷｬﾝｾﾙ</translation>
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
        <translation>1 フレーム戻る (,)</translation>
    </message>
    <message>
        <source>▶|</source>
        <translation>▶|</translation>
    </message>
    <message>
        <source>1 フレーム進む (.)</source>
        <translation>1 フレーム進む (.)</translation>
    </message>
    <message>
        <source>ここから</source>
        <translation>ここから</translation>
    </message>
    <message>
        <source>今の位置を始点にする (I)</source>
        <translation>今の位置を始点にする (I)</translation>
    </message>
    <message>
        <source>ここまで</source>
        <translation>ここまで</translation>
    </message>
    <message>
        <source>今の位置を終点にする (O)</source>
        <translation>今の位置を終点にする (O)</translation>
    </message>
    <message>
        <source>形式</source>
        <translation>形式</translation>
    </message>
    <message>
        <source>書き出す形式</source>
        <translation>書き出す形式</translation>
    </message>
    <message>
        <source>変換中…</source>
        <translation>変換中…</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>プレビュー</translation>
    </message>
</context>
<context>
    <name>EditorRules</name>
    <message>
        <source>%d 時間</source>
        <translation>%d 時間</translation>
    </message>
    <message>
        <source>%d 分</source>
        <translation>%d 分</translation>
    </message>
    <message>
        <source>%d.%d 秒</source>
        <translation>%d.%d 秒</translation>
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
        <translation>ファイル名が指定されていません。</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます。</source>
        <translation>ファイル名が長すぎます。</translation>
    </message>
    <message>
        <source>元のファイルには書き込めません。</source>
        <translation>元のファイルには書き込めません。</translation>
    </message>
    <message>
        <source>保存先のフォルダーが存在しません。</source>
        <translation>保存先のフォルダーが存在しません。</translation>
    </message>
</context>
<context>
    <name>ErrorReason</name>
    <message>
        <source>空き容量が足りません</source>
        <translation>空き容量が足りません</translation>
    </message>
    <message>
        <source>アクセスが拒否されました</source>
        <translation>アクセスが拒否されました</translation>
    </message>
    <message>
        <source>ファイルまたはフォルダーが見つかりません</source>
        <translation>ファイルまたはフォルダーが見つかりません</translation>
    </message>
    <message>
        <source>読み取り専用のドライブです</source>
        <translation>読み取り専用のドライブです</translation>
    </message>
    <message>
        <source>名前が長すぎます</source>
        <translation>名前が長すぎます</translation>
    </message>
    <message>
        <source>入出力エラーが発生しました</source>
        <translation>入出力エラーが発生しました</translation>
    </message>
    <message>
        <source>空き容量が足りません。</source>
        <translation>空き容量が足りません。</translation>
    </message>
    <message>
        <source>アクセスが拒否されました。</source>
        <translation>アクセスが拒否されました。</translation>
    </message>
    <message>
        <source>ファイルまたはフォルダーが見つかりません。</source>
        <translation>ファイルまたはフォルダーが見つかりません。</translation>
    </message>
    <message>
        <source>読み取り専用のドライブです。</source>
        <translation>読み取り専用のドライブです。</translation>
    </message>
    <message>
        <source>名前が長すぎます。</source>
        <translation>名前が長すぎます。</translation>
    </message>
    <message>
        <source>入出力エラーが発生しました。</source>
        <translation>入出力エラーが発生しました。</translation>
    </message>
</context>
<context>
    <name>FileCopier</name>
    <message>
        <source>コピーしました</source>
        <translation>コピーしました</translation>
    </message>
    <message>
        <source>コピー元のファイルを開けません</source>
        <translation>コピー元のファイルを開けません</translation>
    </message>
    <message>
        <source>コピー先に同じ名前のファイルがあります</source>
        <translation>コピー先に同じ名前のファイルがあります</translation>
    </message>
    <message>
        <source>コピー元とコピー先が同じファイルです</source>
        <translation>コピー元とコピー先が同じファイルです</translation>
    </message>
    <message>
        <source>コピー先の名前が長すぎます</source>
        <translation>コピー先の名前が長すぎます</translation>
    </message>
    <message>
        <source>コピー先に書き込めません (%1)</source>
        <translation>コピー先に書き込めません (%1)</translation>
    </message>
    <message>
        <source>中止しました</source>
        <translation>中止しました</translation>
    </message>
    <message>
        <source>このコピーで書き込んだファイルです</source>
        <translation>このコピーで書き込んだファイルです</translation>
    </message>
</context>
<context>
    <name>FilePrompt</name>
    <message>
        <source>開くメディアファイル...</source>
        <translation>開くメディアファイル...</translation>
    </message>
    <message>
        <source>保存するメディアファイル...</source>
        <translation>保存するメディアファイル...</translation>
    </message>
    <message>
        <source>パスが長すぎるため、このファイル名は使えません。</source>
        <translation>パスが長すぎるため、このファイル名は使えません。</translation>
    </message>
    <message>
        <source>保存先のフォルダーが存在しません。
%1</source>
        <translation>保存先のフォルダーが存在しません。
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
        <translation>検索 (名前・タイトル・アーティスト・アルバム)</translation>
    </message>
</context>
<context>
    <name>GraphReport</name>
    <message>
        <source>警告</source>
        <translation>警告</translation>
    </message>
</context>
<context>
    <name>ListCopy</name>
    <message>
        <source>次のファイルはコピーできませんでした。</source>
        <translation>次のファイルはコピーできませんでした。</translation>
    </message>
    <message>
        <source>コピーを停止しました。残りの %1 個のファイルはコピーしていません。</source>
        <translation>コピーを停止しました。残りの %1 個のファイルはコピーしていません。</translation>
    </message>
    <message>
        <source>リスト内にコピーするコンテンツが存在しません。</source>
        <translation>リスト内にコピーするコンテンツが存在しません。</translation>
    </message>
    <message>
        <source>リスト内のファイルが %1 個あります。000～999 の番号を付けてコピーできるのは %2 個までです。</source>
        <translation>リスト内のファイルが %1 個あります。000～999 の番号を付けてコピーできるのは %2 個までです。</translation>
    </message>
    <message>
        <source>リネーム名に使えない文字が含まれています。</source>
        <translation>リネーム名に使えない文字が含まれています。</translation>
    </message>
    <message>
        <source>コピー先のフォルダー %1 がありません。</source>
        <translation>コピー先のフォルダー %1 がありません。</translation>
    </message>
    <message>
        <source>コピー先のフォルダー %1 に書き込めません。</source>
        <translation>コピー先のフォルダー %1 に書き込めません。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>リスト内のコンテンツを選択して下さい。</source>
        <translation>リスト内のコンテンツを選択して下さい。</translation>
    </message>
    <message>
        <source>動画または音声コンテンツのみ編集可能です。</source>
        <translation>動画または音声コンテンツのみ編集可能です。</translation>
    </message>
    <message>
        <source>DirectSoundの作成に失敗しました。</source>
        <translation>DirectSoundの作成に失敗しました。</translation>
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
        <translation>開く</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>再生</translation>
    </message>
    <message>
        <source>一停</source>
        <translation>一停</translation>
    </message>
    <message>
        <source>前へ</source>
        <translation>前へ</translation>
    </message>
    <message>
        <source>次へ</source>
        <translation>次へ</translation>
    </message>
    <message>
        <source>再生 (%1 / %2)</source>
        <translation>再生 (%1 / %2)</translation>
    </message>
    <message>
        <source>一時停止 (%1)</source>
        <translation>一時停止 (%1)</translation>
    </message>
    <message>
        <source>開く (%1)</source>
        <translation>開く (%1)</translation>
    </message>
    <message>
        <source>メニュー</source>
        <translation>メニュー</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>編集</translation>
    </message>
    <message>
        <source>ビューア</source>
        <translation>ビューア</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>再生位置 (%1 %2: 5 秒, %3: 30 秒, ホイール)</source>
        <translation>再生位置 (%1 %2: 5 秒, %3: 30 秒, ホイール)</translation>
    </message>
    <message>
        <source>音量 (+ / -, ホイール)</source>
        <translation>音量 (+ / -, ホイール)</translation>
    </message>
    <message>
        <source>再生位置</source>
        <translation>再生位置</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>音量</translation>
    </message>
</context>
<context>
    <name>MediaGraph</name>
    <message>
        <source>画像が大きすぎるため開けません（%1 × %2 ピクセル、上限 %3 ピクセル）。</source>
        <translation>画像が大きすぎるため開けません（%1 × %2 ピクセル、上限 %3 ピクセル）。</translation>
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
        <translation>ファイル（&amp;F）</translation>
    </message>
    <message>
        <source>ファイルを開く(&amp;O)</source>
        <translation>ファイルを開く(&amp;O)</translation>
    </message>
    <message>
        <source>プレイリストの保存(&amp;S)</source>
        <translation>プレイリストの保存(&amp;S)</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;E)</source>
        <translation>アプリケーションの終了(&amp;E)</translation>
    </message>
    <message>
        <source>システム（&amp;S）</source>
        <translation>システム（&amp;S）</translation>
    </message>
    <message>
        <source>リスト内のコピー(&amp;P)</source>
        <translation>リスト内のコピー(&amp;P)</translation>
    </message>
    <message>
        <source>リストのクリアー(&amp;C)</source>
        <translation>リストのクリアー(&amp;C)</translation>
    </message>
    <message>
        <source>リスト表示（&amp;L）</source>
        <translation>リスト表示（&amp;L）</translation>
    </message>
    <message>
        <source>アイコン(&amp;N)</source>
        <translation>アイコン(&amp;N)</translation>
    </message>
    <message>
        <source>大きいアイコン</source>
        <translation>大きいアイコン</translation>
    </message>
    <message>
        <source>詳細（&amp;D）</source>
        <translation>詳細（&amp;D）</translation>
    </message>
    <message>
        <source>詳細</source>
        <translation>詳細</translation>
    </message>
    <message>
        <source>並べて表示(&amp;S)</source>
        <translation>並べて表示(&amp;S)</translation>
    </message>
    <message>
        <source>小さいアイコン</source>
        <translation>小さいアイコン</translation>
    </message>
    <message>
        <source>一覧（&amp;L）</source>
        <translation>一覧（&amp;L）</translation>
    </message>
    <message>
        <source>一覧</source>
        <translation>一覧</translation>
    </message>
    <message>
        <source>画面設定（&amp;V）</source>
        <translation>画面設定（&amp;V）</translation>
    </message>
    <message>
        <source>原画サイズ(&amp;N)</source>
        <translation>原画サイズ(&amp;N)</translation>
    </message>
    <message>
        <source>再生時に、ウィンドウを原寸サイズにします。</source>
        <translation>再生時に、ウィンドウを原寸サイズにします。</translation>
    </message>
    <message>
        <source>ウィンドウサイズ優先（&amp;S）</source>
        <translation>ウィンドウサイズ優先（&amp;S）</translation>
    </message>
    <message>
        <source>再生時に、ウィンドウサイズを維持したままにします。</source>
        <translation>再生時に、ウィンドウサイズを維持したままにします。</translation>
    </message>
    <message>
        <source>情報(&amp;A)</source>
        <translation>情報(&amp;A)</translation>
    </message>
    <message>
        <source>バージョン情報（&amp;A）</source>
        <translation>バージョン情報（&amp;A）</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>全画面切り替え(&amp;F)</source>
        <translation>全画面切り替え(&amp;F)</translation>
    </message>
    <message>
        <source>再生（&amp;P）</source>
        <translation>再生（&amp;P）</translation>
    </message>
    <message>
        <source>一時停止(&amp;T)</source>
        <translation>一時停止(&amp;T)</translation>
    </message>
    <message>
        <source>停止(&amp;S)</source>
        <translation>停止(&amp;S)</translation>
    </message>
    <message>
        <source>キャンセル（&amp;C）</source>
        <translation>キャンセル（&amp;C）</translation>
    </message>
    <message>
        <source>字幕を表示(&amp;U)</source>
        <translation>字幕を表示(&amp;U)</translation>
    </message>
    <message>
        <source>出力デバイス(&amp;D)</source>
        <translation>出力デバイス(&amp;D)</translation>
    </message>
    <message>
        <source>システムの既定</source>
        <translation>システムの既定</translation>
    </message>
</context>
<context>
    <name>NameLines</name>
    <message>
        <source>
ほか %1 件</source>
        <translation>
ほか %1 件</translation>
    </message>
</context>
<context>
    <name>OutputKinds</name>
    <message>
        <source>元の形式（再エンコードなし）</source>
        <translation>元の形式（再エンコードなし）</translation>
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
        <translation>FLAC（可逆圧縮の音声）</translation>
    </message>
    <message>
        <source>Opus（音声）</source>
        <translation>Opus（音声）</translation>
    </message>
    <message>
        <source>MP3（音声）</source>
        <translation>MP3（音声）</translation>
    </message>
    <message>
        <source>元の形式</source>
        <translation>元の形式</translation>
    </message>
    <message>
        <source>%1 ファイル</source>
        <translation>%1 ファイル</translation>
    </message>
</context>
<context>
    <name>PlayerApp</name>
    <message>
        <source>アプリケーションは既に起動しています。
処理を中止します。</source>
        <translation>アプリケーションは既に起動しています。
処理を中止します。</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>警告</translation>
    </message>
</context>
<context>
    <name>PlaylistCtrl</name>
    <message>
        <source>パスが長すぎるため、次の項目を追加できませんでした。</source>
        <translation>パスが長すぎるため、次の項目を追加できませんでした。</translation>
    </message>
    <message>
        <source>次のプレイリストを開けませんでした。</source>
        <translation>次のプレイリストを開けませんでした。</translation>
    </message>
    <message>
        <source>%1 を削除して、ごみ箱へ移動してもよいですか？</source>
        <translation>%1 を削除して、ごみ箱へ移動してもよいですか？</translation>
    </message>
    <message>
        <source>選択ファイル削除</source>
        <translation>選択ファイル削除</translation>
    </message>
    <message>
        <source>リストから削除(&amp;C)</source>
        <translation>リストから削除(&amp;C)</translation>
    </message>
    <message>
        <source>ファイルの削除(&amp;D)</source>
        <translation>ファイルの削除(&amp;D)</translation>
    </message>
    <message>
        <source>階層が深すぎるため、次のフォルダーの中は追加しませんでした。</source>
        <translation>階層が深すぎるため、次のフォルダーの中は追加しませんでした。</translation>
    </message>
</context>
<context>
    <name>PlaylistFile</name>
    <message>
        <source>保存先のフォルダーが存在しません。</source>
        <translation>保存先のフォルダーが存在しません。</translation>
    </message>
    <message>
        <source>ファイルに書き込む権限がありません。</source>
        <translation>ファイルに書き込む権限がありません。</translation>
    </message>
    <message>
        <source>フォルダーに書き込む権限がありません。</source>
        <translation>フォルダーに書き込む権限がありません。</translation>
    </message>
    <message>
        <source>ディスクの空き容量が足りません。</source>
        <translation>ディスクの空き容量が足りません。</translation>
    </message>
    <message>
        <source>
この名前では保存できません。</source>
        <translation>
この名前では保存できません。</translation>
    </message>
    <message>
        <source>
に保存できません。</source>
        <translation>
に保存できません。</translation>
    </message>
    <message>
        <source>
を開けません。
</source>
        <translation>
を開けません。
</translation>
    </message>
    <message>
        <source>
を読み込めません。
</source>
        <translation>
を読み込めません。
</translation>
    </message>
    <message>
        <source>
はプレイリストとして読み込めません。</source>
        <translation>
はプレイリストとして読み込めません。</translation>
    </message>
    <message>
        <source>
には、リストに追加できるファイルがありません。</source>
        <translation>
には、リストに追加できるファイルがありません。</translation>
    </message>
    <message>
        <source>次のファイルの名前はプレイリストに書けないため、保存を中止しました。</source>
        <translation>次のファイルの名前はプレイリストに書けないため、保存を中止しました。</translation>
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
        <translation>タイトル</translation>
    </message>
    <message>
        <source>アーティスト</source>
        <translation>アーティスト</translation>
    </message>
    <message>
        <source>アルバム</source>
        <translation>アルバム</translation>
    </message>
    <message>
        <source>長さ</source>
        <translation>長さ</translation>
    </message>
</context>
<context>
    <name>ProfileDialog</name>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>ｷｬﾝｾﾙ</translation>
    </message>
    <message>
        <source>リストを取得できませんでした。</source>
        <translation>リストを取得できませんでした。</translation>
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
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>適用(&amp;A)</source>
        <translation>適用(&amp;A)</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>フォルダー</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>ドライブ</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>不明</translation>
    </message>
</context>
<context>
    <name>SkinFile</name>
    <message>
        <source>スキンデータが存在しません。</source>
        <translation>スキンデータが存在しません。</translation>
    </message>
    <message>
        <source>スキンデータの対応バージョンが異なります。</source>
        <translation>スキンデータの対応バージョンが異なります。</translation>
    </message>
</context>
<context>
    <name>SplashWindow</name>
    <message>
        <source>再生する。切り出す。大切なところを残す。</source>
        <translation>再生する。切り出す。大切なところを残す。</translation>
    </message>
    <message>
        <source>メディアプレーヤー＆カッター</source>
        <translation>メディアプレーヤー＆カッター</translation>
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
        <translation>サムネイルの取得に失敗しました。</translation>
    </message>
    <message>
        <source>サムネイルの作成に失敗しました。</source>
        <translation>サムネイルの作成に失敗しました。</translation>
    </message>
    <message>
        <source>%1 に
サムネイルを作成しました。</source>
        <translation>%1 に
サムネイルを作成しました。</translation>
    </message>
</context>
<context>
    <name>Trash</name>
    <message>
        <source>%1 をごみ箱へ移動できませんでした。
</source>
        <translation>%1 をごみ箱へ移動できませんでした。
</translation>
    </message>
    <message>
        <source>このドライブにはごみ箱がありません。</source>
        <translation>このドライブにはごみ箱がありません。</translation>
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
        <translation>使い方: veltra [--lang=ja|en] [/3ds] [ファイル]
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
</translation>
    </message>
</context>
</TS>
