<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>TAVIN-Monitor</name>
    <message>
        <source>使い方: TAVIN-Monitor [オプション] [ファイル.csv]
デジタル圧力ゲージの値をシリアルポートから受けて表示し、記録します。
ファイルを指定すると、その記録を読み出しモードで開きます。

  --help        この説明
  --version     版
  -platform X   Qt の表示先 (offscreen: 画面なし)

設定ファイル:   %1
ログ (LOG):     %2
実行ファイルのフォルダに書き込めるとき (/usr/bin を除く) は、すべてそのフォルダに置きます。
書き込めないとき (インストールしたとき) は $XDG_CONFIG_HOME/TAVIN-Monitor と
$XDG_STATE_HOME/TAVIN-Monitor (~/.config と ~/.local/state の下) に置きます。
</source>
        <translation>Usage: TAVIN-Monitor [options] [FILE.csv]
Shows and records the values of a digital pressure gauge on a serial port.
With a FILE, that recording is opened in read-out mode.

  --help        this text
  --version     the version
  -platform X   where Qt shows the window (offscreen: no screen)

Settings file:  %1
Log (LOG):      %2
When the executable&apos;s folder can be written (not /usr/bin), everything stays there.
When it cannot (installed), the files go to $XDG_CONFIG_HOME/TAVIN-Monitor and
$XDG_STATE_HOME/TAVIN-Monitor (under ~/.config and ~/.local/state).
</translation>
    </message>
    <message>
        <source>使えない引数です: %1</source>
        <translation>unusable argument: %1</translation>
    </message>
    <message>
        <source>ファイル %1 が見つかりません。</source>
        <translation>The file %1 does not exist.</translation>
    </message>
</context>
<context>
    <name>gauge-sim</name>
    <message>
        <source>%1 の値 %2 は使えません: %3 から %4 の数。</source>
        <translation>bad value %2 for %1: a number from %3 to %4.</translation>
    </message>
    <message>
        <source>%1 に値がありません。</source>
        <translation>missing value for %1.</translation>
    </message>
    <message>
        <source>不明なオプションです: %1 (--help で一覧を表示)</source>
        <translation>unknown option %1 (see --help)</translation>
    </message>
    <message>
        <source>不明な波形です: %1</source>
        <translation>unknown wave %1</translation>
    </message>
    <message>
        <source>--unit は M、k、P、- のどれかです。</source>
        <translation>--unit must be M, k, P or -.</translation>
    </message>
    <message>
        <source>疑似端末を作れません: %1</source>
        <translation>cannot create a pseudo-terminal: %1</translation>
    </message>
    <message>
        <source>%1 を設定できません。</source>
        <translation>cannot set up %1.</translation>
    </message>
    <message>
        <source>%1 のリンクを作れません: %2</source>
        <translation>cannot link %1: %2</translation>
    </message>
    <message>
        <source>種類 %1 を %2 で COM%3 として、%4 ms ごとに送ります</source>
        <translation>kind %1 on %2 as COM%3, every %4 ms</translation>
    </message>
    <message>
        <source>プログラムが COM%1 を開くのを待っています</source>
        <translation>waiting for the program to open COM%1</translation>
    </message>
    <message>
        <source>%1 フレームを送って停止しました</source>
        <translation>stopped after %1 frames</translation>
    </message>
    <message>
        <source>%1 フレームを送って消えました</source>
        <translation>vanished after %1 frames</translation>
    </message>
    <message>
        <source>使い方: gauge-sim [--dir DIR] [オプション]

疑似端末を作って DIR/ports/COMn としてリンクし、プログラムがポートを開いたらゲージの
フレームを送ります。送ったフレームごとに、番号、値の文字列、フレームのバイトの 16 進数、
チェック文字を壊したフレームには &quot;bad&quot; を表示します。プログラムが送ったバイトは標準エラーに
&quot;gauge-sim: received&quot; とその 16 進数で表示し、応答はしません。

  --dir DIR          プログラムの設定フォルダ (リンクは DIR/ports/COMn)。既定: 同じフォルダの
                     TAVIN-Monitor と tavin-record が探すところ (その横、インストールしたとき
                     は $XDG_CONFIG_HOME/TAVIN-Monitor)
  --com N            COM 番号、1..30 (既定 1)
  --kind K           ゲージの種類: 0 VRT50, 1 VRT50-QL, 2 HOSTU-VRT, 3 RQ, 4 QZ, 5 MW200 (既定 0)
  --period MS        フレームの間隔 (ミリ秒)、1..600000 (既定 1000)
  --wave W           constant、ramp、sine、steps または fall (既定 sine)。fall は offset から
                     始まり、100 フレームごとに amplitude だけ一様に下がる
  --offset V         中心の値 (既定 0)
  --amplitude V      波の大きさ (既定 1)
  --unit U           M (MPa)、k (kPa)、P (Pa) または - (なし) (既定 k)
  --battery NN       電池の電圧 (0.1 V 単位)、0..99 (既定 85)
  --ref C            基準の文字 (既定 G)
  --short            種類 0, 2, 3: 単位と電池のない 6 文字のフレーム
  --bad-bcc N        N 番目ごとのフレームのチェック文字を壊す
  --noise            フレームの間に余分なバイトを送る
  --split            各フレームを何回かに分けて書く
  --count N          N フレームを送った後は、停止まで何も送らない
  --vanish-after N   N フレームを送った後、抜かれたデバイスのように消える
  --stamp            各フレームの行の終わりに @ と、書き込みが終わった時刻 (1970 年からの
                     ミリ秒) を付ける (フレームのタイムスタンプを確かめるため)
  --quiet            フレームごとの表示をしない
  --help             この説明を表示する
  --version          版を表示する
</source>
        <translation>usage: gauge-sim [--dir DIR] [options]

Creates a pseudo-terminal, links it as DIR/ports/COMn and sends gauge frames on it once the
program has opened the port. Each frame sent is printed as: number, value text, frame bytes in
hexadecimal, and &quot;bad&quot; for a frame with corrupted check characters. Bytes the program sends
are printed on stderr as &quot;gauge-sim: received&quot; and their hexadecimal digits, and not answered.

  --dir DIR          the programs&apos; settings folder (the link goes to DIR/ports/COMn).
                     Default: where TAVIN-Monitor and tavin-record in the same folder look
                     (beside them; installed: $XDG_CONFIG_HOME/TAVIN-Monitor)
  --com N            COM number, 1..30 (default 1)
  --kind K           gauge kind: 0 VRT50, 1 VRT50-QL, 2 HOSTU-VRT, 3 RQ, 4 QZ, 5 MW200 (default 0)
  --period MS        time between frames in milliseconds, 1..600000 (default 1000)
  --wave W           constant, ramp, sine, steps or fall (default sine); fall starts at the
                     offset and falls by the amplitude every 100 frames, steadily
  --offset V         centre value (default 0)
  --amplitude V      size of the wave (default 1)
  --unit U           M (MPa), k (kPa), P (Pa) or - (none) (default k)
  --battery NN       battery level in tenths of a volt, 0..99 (default 85)
  --ref C            reference character (default G)
  --short            kinds 0, 2, 3: six-character frames without unit and battery
  --bad-bcc N        corrupt the check characters of every Nth frame
  --noise            send stray bytes between frames
  --split            send each frame in several writes
  --count N          send N frames, then stay silent until stopped
  --vanish-after N   send N frames, then disappear like an unplugged device
  --stamp            end each frame&apos;s line with @ and the wall-clock time the write ended, in
                     milliseconds since 1970 (what a frame&apos;s time stamp is checked against)
  --quiet            print nothing per frame
  --help             this text
  --version          print the version
</translation>
    </message>
</context>
<context>
    <name>tavin-demo</name>
    <message>
        <source>画面がありません: ウィンドウの代わりに、記録したデモを実行します。</source>
        <translation>No display: a recorded demonstration instead of the window.</translation>
    </message>
    <message>
        <source>%1 秒間測定します...</source>
        <translation>measuring for %1 seconds...</translation>
    </message>
    <message>
        <source>測定が始まりませんでした。</source>
        <translation>the measurement did not start.</translation>
    </message>
    <message>
        <source>測定したサンプル数: %1</source>
        <translation>samples measured: %1</translation>
    </message>
    <message>
        <source>(書き込まれていません)</source>
        <translation>(none written)</translation>
    </message>
    <message>
        <source>(印刷されていません)</source>
        <translation>(nothing printed)</translation>
    </message>
    <message>
        <source>(書き込めませんでした)</source>
        <translation>(could not be written)</translation>
    </message>
</context>
<context>
    <name>tavin-record</name>
    <message>
        <source>--%1 の値 %2 は使えません: %3。</source>
        <translation>--%1 cannot take the value %2: %3.</translation>
    </message>
    <message>
        <source>0 から 5 の数</source>
        <translation>a number from 0 to 5</translation>
    </message>
    <message>
        <source>設定ファイルのゲージの種類 Term=%1 (その他) では何も受信しません。--kind 0..5 を指定してください。</source>
        <translation>The settings file&apos;s gauge kind Term=%1 (other) receives nothing. Give --kind 0..5.</translation>
    </message>
    <message>
        <source>9600、38400、115200 のどれか</source>
        <translation>9600, 38400 or 115200</translation>
    </message>
    <message>
        <source>auto または 1 から 600000 の ms</source>
        <translation>auto or 1 to 600000 ms</translation>
    </message>
    <message>
        <source>auto、またはコンマを含まず Shift_JIS (CP932) で書ける単位</source>
        <translation>auto, or a unit without a comma that Shift_JIS (CP932) can write</translation>
    </message>
    <message>
        <source>0 でない数</source>
        <translation>a number other than 0</translation>
    </message>
    <message>
        <source>空でなく / を含まない名前</source>
        <translation>a name, not empty, without /</translation>
    </message>
    <message>
        <source>30000 または 360000</source>
        <translation>30000 or 360000</translation>
    </message>
    <message>
        <source>0 より大きく 1e9 以下の秒数</source>
        <translation>seconds, more than 0 and at most 1e9</translation>
    </message>
    <message>
        <source>--mqtt の値 %1 は使えません: %2。</source>
        <translation>--mqtt cannot take the value %1: %2.</translation>
    </message>
    <message>
        <source>読めない文字があります</source>
        <translation>it holds characters that cannot be read</translation>
    </message>
    <message>
        <source>設定ファイル %1 の MqttUrl=%2 は使えません: %3。</source>
        <translation>MqttUrl=%2 in the settings file %1 cannot be used: %3.</translation>
    </message>
    <message>
        <source>パスワードファイルを使うにはユーザー名 (--mqtt-user) も指定してください。</source>
        <translation>A password file needs a user name as well (--mqtt-user).</translation>
    </message>
    <message>
        <source>保持秒数 (0 より大きい),許容降下量 (0 以上)[,安定待ち秒数 (0 以上)]</source>
        <translation>HOLD seconds (more than 0),allowed drop (0 or more)[,SETTLE seconds (0 or more)]</translation>
    </message>
    <message>
        <source>ゲージの種類: 0 VRT50, 1 VRT50-QL, 2 HOSTU-VRT, 3 RQ, 4 QZ, 5 MW200。
既定: Term</source>
        <translation>gauge kind: 0 VRT50, 1 VRT50-QL, 2 HOSTU-VRT, 3 RQ, 4 QZ, 5 MW200.
Default: Term</translation>
    </message>
    <message>
        <source>通信速度。既定: 種類 2 と 4 は 115200、ほかは 9600</source>
        <translation>baud rate. Default: 115200 for kinds 2 and 4, 9600 for the others</translation>
    </message>
    <message>
        <source>サンプリング周期 (1〜600000 ms) または auto (最初の 10 フレーム
から測る)。記録ファイルの時間軸になる。既定: Sampling</source>
        <translation>sampling period (1 to 600000 ms) or auto (measured over the first 10
frames); the recording&apos;s time axis. Default: Sampling</translation>
    </message>
    <message>
        <source>単位。auto はゲージの送る単位。既定: Tani (--- は auto)</source>
        <translation>unit; auto takes the unit the gauge sends. Default: Tani (--- is auto)</translation>
    </message>
    <message>
        <source>係数 (記録ファイルに書かれる)。既定: 1</source>
        <translation>coefficient (written into the recording). Default: 1</translation>
    </message>
    <message>
        <source>記録ファイルの保存フォルダ。既定: SaveDir</source>
        <translation>folder the recordings are saved in. Default: SaveDir</translation>
    </message>
    <message>
        <source>記録ファイル名の元。既定: FilePath (空なら RQ4600_Datas)</source>
        <translation>base of the recordings&apos; names. Default: FilePath (RQ4600_Datas when empty)</translation>
    </message>
    <message>
        <source>1 区間のサンプル数。満ちると保存して次の区間へ。既定: 30000</source>
        <translation>samples in a segment; a full one is saved and the next begun. Default: 30000</translation>
    </message>
    <message>
        <source>この秒数の後に停止して保存する。既定: 停止の信号まで</source>
        <translation>stop and save after this many seconds. Default: until a stop signal</translation>
    </message>
    <message>
        <source>値を MQTT ブローカーへ送る: mqtt://ホスト:ポート または
mqtts://ホスト:ポート (TLS)。既定: MqttUrl (なければ送らない)</source>
        <translation>send the values to an MQTT broker: mqtt://HOST:PORT or
mqtts://HOST:PORT (TLS). Default: MqttUrl (none: nothing is sent)</translation>
    </message>
    <message>
        <source>トピックの根。既定: MqttTopic (空なら tavin/&lt;ホスト名&gt;/&lt;ポート&gt;)</source>
        <translation>root of the topics. Default: MqttTopic (when empty tavin/&lt;host name&gt;/&lt;port&gt;)</translation>
    </message>
    <message>
        <source>ブローカーのユーザー名。既定: MqttUser</source>
        <translation>the broker&apos;s user name. Default: MqttUser</translation>
    </message>
    <message>
        <source>パスワードを 1 行目に書いたファイル (所有者だけが読めること)。
既定: MqttPasswordFile</source>
        <translation>file with the password on its first line (readable by its owner only).
Default: MqttPasswordFile</translation>
    </message>
    <message>
        <source>デバイスが消えたら保存し、戻るのを待って新しい区間で記録を続ける。
既定: 保存して状態 3 で終了</source>
        <translation>when the device vanishes, save, wait for it to return and go on recording
in a new segment. Default: save and end with status 3</translation>
    </message>
    <message>
        <source>保存した区間ごとに解析用 CSV (UTF-8、時刻はミリ秒まで) を記録ファイル
の横に書く: 名前は記録ファイルの .csv を _analysis.csv にしたもの</source>
        <translation>for each segment saved, write an analysis CSV (UTF-8, times to the millisecond)
beside the recording, named as the recording with _analysis.csv for .csv</translation>
    </message>
    <message>
        <source>保存した区間ごとに圧力降下 (漏れ) 試験を判定する: 区間の始めから SETTLE 秒
(既定 0) 後の HOLD 秒間に、記録の単位で MAXDROP より多く下がれば NG。
判定行を標準出力に、結果を記録ファイルの横の decay-results.csv に書く</source>
        <translation>judge each segment saved as a pressure-decay (leak) test: NG when the value
falls by more than MAXDROP (in the recording&apos;s unit) over HOLD seconds from
SETTLE seconds (default 0) after the segment&apos;s start. Writes the verdict line
to stdout and the result to decay-results.csv beside the recording</translation>
    </message>
    <message>
        <source>端末に状態行を表示しない</source>
        <translation>do not show a status line on the terminal</translation>
    </message>
    <message>
        <source>この説明を表示する (-h も同じ)</source>
        <translation>show this text (-h as well)</translation>
    </message>
    <message>
        <source>版を表示する</source>
        <translation>show the version</translation>
    </message>
    <message>
        <source>オプションではない引数があります: %1 (--help で一覧を表示)</source>
        <translation>an argument that is no option: %1 (see --help)</translation>
    </message>
    <message>
        <source>不明なオプションです: --%1 (--help で一覧を表示)</source>
        <translation>unknown option: --%1 (see --help)</translation>
    </message>
    <message>
        <source>--%1 は値を取りません。</source>
        <translation>--%1 takes no value.</translation>
    </message>
    <message>
        <source>--%1 に値がありません (%2)。</source>
        <translation>--%1 has no value (%2).</translation>
    </message>
    <message>
        <source>設定ファイル %1 の %2=%3 は使えません: %4。</source>
        <translation>%2=%3 in the settings file %1 cannot be used: %4.</translation>
    </message>
    <message>
        <source>設定ファイル %1 がありません。</source>
        <translation>The settings file %1 does not exist.</translation>
    </message>
    <message>
        <source>設定ファイル %1 を読み込めません (%2)。</source>
        <translation>The settings file %1 cannot be read (%2).</translation>
    </message>
    <message>
        <source>COM1〜COM30 またはデバイスのパス</source>
        <translation>COM1 to COM30 or a device path</translation>
    </message>
    <message>
        <source>ポート %1 がありません (シリアルデバイスも ports/%1 のリンクもありません)。</source>
        <translation>There is no port %1 (neither a serial device nor a link ports/%1).</translation>
    </message>
    <message>
        <source>設定ファイルの ComPort=%1 は使えません: 1 から 30 の数。--port を指定してください。</source>
        <translation>ComPort=%1 in the settings file cannot be used: a number from 1 to 30. Give --port.</translation>
    </message>
    <message>
        <source>ポートを指定してください (--port COMn または --port /dev/ttyUSB0)。</source>
        <translation>Give a port (--port COMn or --port /dev/ttyUSB0).</translation>
    </message>
    <message>
        <source>設定ファイルの ComPort=%1 は使えません。--port を指定してください。</source>
        <translation>ComPort=%1 in the settings file cannot be used. Give --port.</translation>
    </message>
    <message>
        <source>デバイス %1 がありません。</source>
        <translation>The device %1 does not exist.</translation>
    </message>
    <message>
        <source>保存フォルダ名またはファイル名に Shift_JIS (CP932) で書けない文字があります (%1): %2</source>
        <translation>The save folder&apos;s or the file&apos;s name holds characters Shift_JIS (CP932) cannot write (%1): %2</translation>
    </message>
    <message>
        <source>使い方: tavin-record [オプション]</source>
        <translation>Usage: tavin-record [options]</translation>
    </message>
    <message>
        <source>ゲージの値を画面なしで記録します。指定のない値は設定ファイルから取ります。</source>
        <translation>Records a gauge&apos;s values without a window. Values not given are taken from the settings file.</translation>
    </message>
    <message>
        <source>保存した区間ごとに 1 行 (パス、サンプル数、最初と最後の時刻、タブ区切り) を標準出力に書きます。
--decay では続けて判定の行 (OK、NG または 判定不能、パス、数値、タブ区切り) を書きます。
SIGTERM, SIGINT, SIGHUP は途中の区間を保存して終了します。
終了状態: 0 正常、1 保存できなかった測定データがある、2 入力の誤り、3 デバイスが消えた。</source>
        <translation>Writes a line to stdout for each segment saved (path, samples, first and last time, tab-separated).
With --decay a verdict line follows (OK, NG or 判定不能, path, figures, tab-separated).
SIGTERM, SIGINT and SIGHUP save the segment under way and end the run.
Exit status: 0 fine, 1 measurements could not be saved, 2 bad input, 3 the device vanished.</translation>
    </message>
    <message>
        <source>保存フォルダ %1 がありません。</source>
        <translation>The save folder %1 does not exist.</translation>
    </message>
    <message>
        <source>%1 はフォルダではありません。</source>
        <translation>%1 is not a folder.</translation>
    </message>
    <message>
        <source>保存フォルダ %1 に書き込めません (%2)。</source>
        <translation>The save folder %1 cannot be written to (%2).</translation>
    </message>
    <message>
        <source>前回の測定を復旧しました: %1 (%2 件)</source>
        <translation>The last measurement was recovered: %1 (%2 samples)</translation>
    </message>
    <message>
        <source>%1 秒間に記録できた値がありません (受信したフレーム %2)。ゲージの種類 (--kind %3) と通信速度 (--baud %4) を確かめてください。</source>
        <translation>No value could be recorded in %1 seconds (frames received: %2). Check the gauge kind (--kind %3) and the baud rate (--baud %4).</translation>
    </message>
    <message>
        <source>値はおよそ %1 ms ごとに届いていますが、記録ファイルの時間軸はサンプリング周期 %2 ms です (--sampling)。</source>
        <translation>Values arrive about every %1 ms, but the recording&apos;s time axis has a sampling period of %2 ms (--sampling).</translation>
    </message>
    <message>
        <source>ジャーナルを書き込めません。強制終了や停電で測定データが失われます: %1</source>
        <translation>The journal cannot be written; a forced end or a power cut would lose measurements: %1</translation>
    </message>
    <message>
        <source>ジャーナルへの書き込みを再開しました: %1</source>
        <translation>The journal is written again: %1</translation>
    </message>
    <message>
        <source>判定のために記録を読めません: %1 (%2)</source>
        <translation>The recording cannot be read for the verdict: %1 (%2)</translation>
    </message>
    <message>
        <source>判定結果を %1 に書けません: %2</source>
        <translation>The verdict cannot be written to %1: %2</translation>
    </message>
    <message>
        <source>ポート %1 が切断されました (%2)。受信したデータは保存できず、保存できるようになるまで保持します。</source>
        <translation>The port %1 was disconnected (%2). The data received could not be saved and is kept until it can be.</translation>
    </message>
    <message>
        <source>ポート %1 が切断されました (%2)。受信したデータは保存しました。</source>
        <translation>The port %1 was disconnected (%2). The data received was saved.</translation>
    </message>
    <message>
        <source>ポート %1 が戻るのを待ちます。</source>
        <translation>Waiting for the port %1 to return.</translation>
    </message>
    <message>
        <source>ポート %1 が戻りました。新しい区間で記録を続けます。</source>
        <translation>The port %1 is back. Recording goes on in a new segment.</translation>
    </message>
    <message>
        <source>%1  サンプル %2  %3 フレーム/秒  エラー %4  区間 %5: %6/%7</source>
        <translation>%1  samples %2  %3 frames/s  errors %4  segment %5: %6/%7</translation>
    </message>
    <message>
        <source>%1  ポートを待っています  サンプル %2</source>
        <translation>%1  waiting for the port  samples %2</translation>
    </message>
    <message>
        <source>保存できなかった測定データ %1 区間は保存されずに終了します。</source>
        <translation>%1 segment(s) of measurements that could not be saved are lost as the run ends.</translation>
    </message>
    <message>
        <source>保存できなかった測定データ %1 区間はジャーナルに残り、次回の起動時に復旧されます。</source>
        <translation>%1 segment(s) of measurements that could not be saved stay in the journal and are recovered at the next start.</translation>
    </message>
    <message>
        <source>記録した値はありません。</source>
        <translation>Nothing was recorded.</translation>
    </message>
    <message>
        <source>ポート: COM1〜COM30 (設定フォルダの ports/COMn のリンクを含む) または
デバイスのパス (/dev/ttyUSB0)。既定: 設定ファイルの ComPort</source>
        <translation>port: COM1 to COM30 (including the links ports/COMn in the settings folder)
or a device path (/dev/ttyUSB0). Default: the settings file&apos;s ComPort</translation>
    </message>
    <message>
        <source>設定ファイル (読むだけで書き込まない)。既定: 設定フォルダ (実行ファイルの
横、インストールしたときは $XDG_CONFIG_HOME/TAVIN-Monitor) の
TAVIN-Monitor.ini (あれば)</source>
        <translation>settings file (read, never written). Default: TAVIN-Monitor.ini in the settings
folder (beside the executable; installed: $XDG_CONFIG_HOME/TAVIN-Monitor), when
there is one</translation>
    </message>
</context>
</TS>
