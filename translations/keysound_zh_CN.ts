<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AudioText</name>
    <message>
        <source>does not exist</source>
        <translation>不存在</translation>
    </message>
    <message>
        <source>is not a file</source>
        <translation>不是文件</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>无法读取</translation>
    </message>
    <message>
        <source>is empty</source>
        <translation>是空文件</translation>
    </message>
    <message>
        <source>is not an MP3, WAV, Ogg or FLAC sound, or its header is damaged</source>
        <translation>不是 MP3、WAV、Ogg 或 FLAC 声音，或者文件头已损坏</translation>
    </message>
    <message>
        <source>cannot be decoded as a sound</source>
        <translation>无法解码为声音</translation>
    </message>
    <message>
        <source>cannot be decoded as a sound (%1)</source>
        <translation>无法解码为声音（%1）</translation>
    </message>
    <message numerus="yes">
        <source>plays for more than %n hour(s)</source>
        <translation>
            <numerusform>播放时间超过 %n 小时</numerusform>
        </translation>
    </message>
    <message>
        <source>is damaged: decoding it used up its processor time</source>
        <translation>已损坏：解码用尽了处理器时间</translation>
    </message>
    <message>
        <source>is damaged: its decoder failed</source>
        <translation>已损坏：解码程序失败</translation>
    </message>
    <message>
        <source>is damaged: decoding it crashed (%1)</source>
        <translation>已损坏：解码时崩溃（%1）</translation>
    </message>
    <message>
        <source>is damaged: decoding it did not end in time</source>
        <translation>已损坏：解码未能按时结束</translation>
    </message>
    <message>
        <source>could not be decoded: the program keysound-decoder cannot be run</source>
        <translation>无法解码：无法运行 keysound-decoder 程序</translation>
    </message>
    <message>
        <source>keysound: no audio device could be opened; keys stay silent until one can: %1</source>
        <translation>keysound：无法打开任何音频设备；在能打开之前按键不会发声：%1</translation>
    </message>
</context>
<context>
    <name>DbToolText</name>
    <message>
        <source>Created %1 with %2 mapping(s).</source>
        <translation>已创建 %1，含 %2 条映射。</translation>
    </message>
    <message>
        <source>%1 (%2 rows)</source>
        <translation>%1（%2 行）</translation>
    </message>
    <message>
        <source>Imported the %1 database %2 into %3: %4.</source>
        <translation>已把 %1 数据库 %2 导入到 %3：%4。</translation>
    </message>
    <message>
        <source>no tables</source>
        <translation>没有表</translation>
    </message>
    <message>
        <source>Note: %1 has no Config table, so it holds no key mappings; %2 got an empty Config.</source>
        <translation>注意：%1 没有 Config 表，因此没有按键映射；%2 中建立了一个空的 Config 表。</translation>
    </message>
    <message>
        <source>%1: %2 mapping(s), no problems found.</source>
        <translation>%1：%2 条映射，没有发现问题。</translation>
    </message>
    <message>
        <source>%1: %2 mapping(s), %3 problem(s) found.</source>
        <translation>%1：%2 条映射，发现 %3 个问题。</translation>
    </message>
    <message>
        <source>Row %1 of %2 has a NULL key or no file name, which a seed file cannot hold; nothing was written.</source>
        <translation>%2 的第 %1 行键位为 NULL 或没有文件名，种子文件无法保存这样的行；没有写入任何内容。</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>未知命令“%1”</translation>
    </message>
    <message>
        <source>&apos;%1&apos; needs more arguments</source>
        <translation>“%1”需要更多参数</translation>
    </message>
    <message>
        <source>&apos;%1&apos; got an unexpected argument &apos;%2&apos;</source>
        <translation>“%1”多了一个参数“%2”</translation>
    </message>
    <message>
        <source>the command line cannot be read: %1</source>
        <translation>无法解读命令行：%1</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>未知选项“%1”</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>没有给出命令</translation>
    </message>
    <message>
        <source>Try &apos;keysound-db --help&apos; for more information.</source>
        <translation>运行“keysound-db --help”查看更多信息。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; has no table Config.</source>
        <translation>“%1”中没有 Config 表。</translation>
    </message>
    <message>
        <source>row %1 (key %2): no sound file name</source>
        <translation>第 %1 行（键位 %2）：没有声音文件名</translation>
    </message>
    <message>
        <source>row %1 (key %2): no sound file name (NULL)</source>
        <translation>第 %1 行（键位 %2）：没有声音文件名（NULL）</translation>
    </message>
    <message>
        <source>row %1 (key %2): sound file &quot;%3&quot; %4</source>
        <translation>第 %1 行（键位 %2）：声音文件“%3”%4</translation>
    </message>
    <message>
        <source>key %1 occurs %2 times ignoring case (rows %3); only row %4 is ever used</source>
        <translation>不区分大小写时，键位 %1 出现了 %2 次（第 %3 行）；只有第 %4 行会被用到</translation>
    </message>
    <message>
        <source>row %1: the key is empty (NULL)</source>
        <translation>第 %1 行：键位为空（NULL）</translation>
    </message>
    <message>
        <source>row %1: the key is empty</source>
        <translation>第 %1 行：键位为空</translation>
    </message>
    <message>
        <source>&quot;%1&quot; does not exist.</source>
        <translation>“%1”不存在。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a mapping database: its format is %2.</source>
        <translation>“%1”不是映射数据库：它的格式是 %2。</translation>
    </message>
    <message>
        <source>Cannot write &quot;%1&quot;: %2.</source>
        <translation>无法写入“%1”：%2。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists; use --force to replace it.</source>
        <translation>“%1”已存在；要替换它，请加 --force。</translation>
    </message>
    <message>
        <source>Cannot write to standard output: %1.</source>
        <translation>无法写入标准输出：%1。</translation>
    </message>
    <message>
        <source>expected &quot;key&lt;TAB&gt;file name&quot;, found %1 tab(s)</source>
        <translation>应为“键位&lt;TAB&gt;文件名”，却有 %1 个制表符</translation>
    </message>
    <message>
        <source>a backslash must start one of \t \n \r \\ \# \uFEFF</source>
        <translation>反斜杠后面只能是 \t \n \r \\ \# \uFEFF 之一</translation>
    </message>
    <message>
        <source>the file name is empty</source>
        <translation>文件名为空</translation>
    </message>
    <message>
        <source>Cannot read the seed file &quot;%1&quot;: %2.</source>
        <translation>无法读取种子文件“%1”：%2。</translation>
    </message>
    <message>
        <source>The seed file &quot;%1&quot; is not UTF-8 text.</source>
        <translation>种子文件“%1”不是 UTF-8 文本。</translation>
    </message>
    <message>
        <source>
The table here: %1
</source>
        <translation>
这里使用的对应表：%1
</translation>
    </message>
    <message>
        <source>
The table here: none (%1)
</source>
        <translation>
这里使用的对应表：无（%1）
</translation>
    </message>
    <message>
        <source>its path holds a backslash, which keysound takes for a folder separator</source>
        <translation>它的路径含有反斜杠，keysound 会把反斜杠当作文件夹分隔符</translation>
    </message>
    <message>
        <source>its name gives no key</source>
        <translation>从它的文件名得不出键位</translation>
    </message>
    <message>
        <source>its key &quot;%1&quot; comes from %2 already</source>
        <translation>它的键位“%1”已由 %2 提供</translation>
    </message>
    <message>
        <source>the key &quot;%1&quot; is mapped already (--overwrite replaces its mapping)</source>
        <translation>键位“%1”已有映射（加 --overwrite 可替换）</translation>
    </message>
    <message>
        <source>MP3/%1 holds another sound (--overwrite replaces it)</source>
        <translation>MP3/%1 已是另一个声音（加 --overwrite 可替换）</translation>
    </message>
    <message numerus="yes">
        <source>%1: %n sound(s) added.</source>
        <translation>
            <numerusform>%1：添加了 %n 个声音。</numerusform>
        </translation>
    </message>
    <message>
        <source>The table %1 of &quot;%2&quot; has no column %3.</source>
        <translation>“%2”的表 %1 中没有列 %3。</translation>
    </message>
    <message>
        <source>no key</source>
        <translation>没有键位</translation>
    </message>
    <message>
        <source>row %1 (key %2) left out: %3</source>
        <translation>第 %1 行（键位 %2）未打包：%3</translation>
    </message>
    <message>
        <source>%1: %2 mapping(s) and %3 sound(s) packed into %4.</source>
        <translation>%1：已把 %2 条映射和 %3 个声音打包到 %4。</translation>
    </message>
    <message>
        <source>key &quot;%1&quot; is mapped already and keeps its mapping; the pack&apos;s (%2) was left out</source>
        <translation>键位“%1”已有映射，保持不变；包中的映射（%2）未导入</translation>
    </message>
    <message>
        <source>MP3/%1 holds another sound: the pack&apos;s came in as MP3/%2</source>
        <translation>MP3/%1 已是另一个声音：包中的声音以 MP3/%2 导入</translation>
    </message>
    <message>
        <source>%1: %2 mapping(s) and %3 sound(s) brought in from %4.</source>
        <translation>%1：已从 %4 导入 %2 条映射和 %3 个声音。</translation>
    </message>
    <message>
        <source>an empty key has nothing to speak</source>
        <translation>空键位没有可朗读的内容</translation>
    </message>
    <message>
        <source>row %1: no key to speak</source>
        <translation>第 %1 行：没有可朗读的键位</translation>
    </message>
    <message>
        <source>row %1 (key &quot;%2&quot;): the file name &quot;%3&quot; lies outside MP3/; skipped</source>
        <translation>第 %1 行（键位“%2”）：文件名“%3”在 MP3/ 之外；已跳过</translation>
    </message>
    <message>
        <source>key &quot;%1&quot;: MP3/%2 exists and is kept (--force replaces it)</source>
        <translation>键位“%1”：MP3/%2 已存在，保留不动（加 --force 可替换）</translation>
    </message>
    <message>
        <source>key &quot;%1&quot;: %2</source>
        <translation>键位“%1”：%2</translation>
    </message>
    <message>
        <source>key &quot;%1&quot;: the spoken sound %2</source>
        <translation>键位“%1”：朗读出的声音%2</translation>
    </message>
    <message numerus="yes">
        <source>%1: %n key(s) spoken into MP3/.</source>
        <translation>
            <numerusform>%1：已朗读 %n 个键位，写入 MP3/。</numerusform>
        </translation>
    </message>
    <message>
        <source>Usage: keysound-db COMMAND [OPTIONS] ARGUMENTS
Manage keysound&apos;s mapping database db1.mdb (key -&gt; sound file in MP3/).

Commands:
  init [--seed FILE.tsv] [--force] PATH
        Create a new, empty mapping database at PATH. --seed fills it from a UTF-8 file
        of &quot;key&lt;TAB&gt;file name&quot; lines (&apos;#&apos; starts a comment line). PATH must not exist
        unless --force is given; it is replaced only once the new file is complete.
  import LEGACY.mdb NEW.db
        Copy a Jet 3 / Jet 4 database of an earlier version into a new SQLite file:
        every table, column and row. LEGACY.mdb is not changed; NEW.db must not exist.
  export [--force] DB1 [FILE.tsv]
        Write the mappings of DB1 (an SQLite or Jet file) as a seed file that init --seed
        reads back exactly (to standard output without FILE; an existing FILE is kept
        unless --force is given). In both, a backslash escapes
        \t tab, \n line feed, \r carriage return, \\ backslash, \# a key&apos;s leading &apos;#&apos;
        and \uFEFF a key&apos;s leading U+FEFF; one byte-order mark that starts the file is
        not part of the first key.
  check
        List mappings whose sound file is missing or not playable, keys that occur more
        than once ignoring case, and empty keys (check APPFOLDER: the table of APPFOLDER).
  speak [--voice VOICE] [--force] [KEY...]
        Speak each key and write it as an MP3 into MP3/: every mapping whose sound file is
        missing, or only the KEYs named (a KEY the table lacks is mapped). A mapping without
        a file name gets one. The voice is chosen for each key (Mandarin for Chinese,
        English otherwise); --voice names an espeak-ng voice for all. An existing sound is
        replaced only with --force.
  add [--overwrite] FILE...
        Copy each sound file into MP3/ and map its name to it (&quot;你好.mp3&quot; maps the key
        &quot;你好&quot;). A key that is mapped already, or a name MP3/ holds with another sound, is
        skipped unless --overwrite is given. A file that does not play is refused.
  pack [--force] FILE.kspack
        Write the table and every sound it uses into one file, to hand it on.
  unpack [--replace-table] PACK
        Bring a pack into the table: its mappings join the table&apos;s (a key the table has
        keeps its mapping) or, with --replace-table, replace them. No sound is ever
        overwritten: one whose name is taken comes in under a new name. PACK is a
        .kspack, or a keyboard sound pack: a folder with config.json, or a zip of one.

Options, also after the command:
  --folder DIR   the table in DIR (db1.mdb and MP3/); without it, KEYSOUND_FOLDER or the
                 table keysound itself would use
  --             every word after it is an argument, even one starting with &apos;-&apos;
  -h, --help     show this help and exit
  --version      show the version and exit

Exit status: 0 success, 1 check found problems, 2 usage error, 3 failure.
</source>
        <translation>用法：keysound-db 命令 [选项] 参数
管理 keysound 的映射数据库 db1.mdb（键位 -&gt; MP3/ 中的声音文件）。

命令：
  init [--seed FILE.tsv] [--force] PATH
        在 PATH 新建一个空的映射数据库。--seed 用一个 UTF-8 文件填充它，文件每行为
        “键位&lt;TAB&gt;文件名”（以“#”开头的行是注释）。除非加 --force，PATH 不能已存在；
        只有新文件完整写好后才会替换原文件。
  import LEGACY.mdb NEW.db
        把旧版的 Jet 3 / Jet 4 数据库复制成一个新的 SQLite 文件：所有表、列和行。
        LEGACY.mdb 不会被改动；NEW.db 不能已存在。
  export [--force] DB1 [FILE.tsv]
        把 DB1（SQLite 或 Jet 文件）中的映射写成种子文件，init --seed 能原样读回
        （不给 FILE 时写到标准输出；已有的 FILE 保留不动，除非加 --force）。两者中反斜杠
        转义：\t 制表符，\n 换行，\r 回车，\\ 反斜杠，\# 键位开头的“#”，\uFEFF 键位开头的
        U+FEFF；文件开头的一个字节顺序标记不属于第一个键位。
  check
        列出声音文件缺失或无法播放的映射、不区分大小写时重复出现的键位，以及空键位
        （check APPFOLDER：检查 APPFOLDER 中的对应表）。
  speak [--voice VOICE] [--force] [KEY...]
        朗读每个键位，写成 MP3 放进 MP3/：所有声音文件缺失的映射，或只朗读列出的 KEY
        （对应表中没有的 KEY 会新建映射）。没有文件名的映射会得到一个文件名。每个键位的
        语音自动选择（中文用普通话，其余用英语）；--voice 为所有键位指定一个 espeak-ng
        语音。已有的声音只在加 --force 时才被替换。
  add [--overwrite] FILE...
        把每个声音文件复制到 MP3/，并把它的文件名映射到它（“你好.mp3”映射键位“你好”）。
        已有映射的键位，或 MP3/ 中同名但内容不同的声音，都会跳过，除非加 --overwrite。
        无法播放的文件会被拒绝。
  pack [--force] FILE.kspack
        把对应表和它用到的所有声音写进一个文件，方便分发。
  unpack [--replace-table] PACK
        把一个包导入对应表：包中的映射并入对应表（对应表已有的键位保持原映射），或者在加
        --replace-table 时替换整个对应表。声音绝不会被覆盖：名字已被占用的声音换个新名字导入。
        PACK 是 .kspack 表包，或者键盘音效包：带 config.json 的文件夹，或它的 zip 压缩包。

选项（也可写在命令之后）：
  --folder DIR   使用 DIR 中的对应表（db1.mdb 和 MP3/）；不给时，使用 KEYSOUND_FOLDER
                 或 keysound 本身会用的对应表
  --             其后的每个词都是参数，即使以“-”开头
  -h, --help     显示本帮助并退出
  --version      显示版本并退出

退出状态：0 成功，1 检查发现问题，2 用法错误，3 失败。
</translation>
    </message>
    <message>
        <source>they are no scan codes</source>
        <translation>它们不是扫描码</translation>
    </message>
    <message>
        <source>they type nothing on a US keyboard (function, modifier and navigation keys)</source>
        <translation>它们在美式键盘上不打出字符（功能键、修饰键和方向键等）</translation>
    </message>
    <message>
        <source>keypad keys whose character the main key sounds already</source>
        <translation>小键盘上的键，它们的字符已经由主键盘上的键发声</translation>
    </message>
    <message>
        <source>the pack gives them no sound</source>
        <translation>音效包没有给它们声音</translation>
    </message>
    <message>
        <source>their slice begins after the end of the pack&apos;s sound</source>
        <translation>它们的片段开始于音效包声音的结尾之后</translation>
    </message>
    <message numerus="yes">
        <source>%n key(s) left out, %1: %2</source>
        <translation>
            <numerusform>%n 个按键没有导入，原因是%1：%2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n release sound(s) not brought in: keysound sounds a key when it is pressed.</source>
        <translation>
            <numerusform>%n 个松开按键的声音没有导入：按键音只在按下按键时发声。</numerusform>
        </translation>
    </message>
    <message>
        <source>the slice of %1 ms from %2 ms runs past the end of the sound and was cut after %3 ms</source>
        <translation>从 %2 毫秒开始、长 %1 毫秒的片段超出了声音的结尾，在 %3 毫秒处截断</translation>
    </message>
    <message>
        <source>%1: %2 key(s) of the keyboard sound pack &quot;%3&quot; mapped, %4 kept their mapping, %5 left out; %6 sound(s) brought in.</source>
        <translation>%1：键盘音效包“%3”的 %2 个按键已对应，%4 个保持原来的对应，%5 个没有导入；导入了 %6 个声音。</translation>
    </message>
    <message>
        <source>Enter</source>
        <translation>回车</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>退格</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>空格</translation>
    </message>
    <message numerus="yes">
        <source>%n key(s) mapped already keep their mapping: %1</source>
        <translation>
            <numerusform>%n 个按键已有对应，保持不变：%1</numerusform>
        </translation>
    </message>
    <message>
        <source>the line is longer than the %1 bytes a line may have</source>
        <translation>这一行超过了一行最多可有的 %1 字节</translation>
    </message>
</context>
<context>
    <name>EditorText</name>
    <message>
        <source>Cannot import &quot;%1&quot;: its path holds a backslash &quot;\&quot;, which this program takes for a folder separator. Rename the file or the folder first.</source>
        <translation>无法导入“%1”：路径里有反斜杠“\”，本程序把它当作文件夹分隔符。请先给文件或文件夹改名。</translation>
    </message>
    <message>
        <source>Invalid procedure call or argument: &quot;%1&quot; holds no &quot;%2&quot;.</source>
        <translation>无效的过程调用或参数：“%1”里没有“%2”。</translation>
    </message>
    <message>
        <source>Item not found in this collection: there is no column named %1.</source>
        <translation>在集合中找不到项目：没有名为 %1 的列。</translation>
    </message>
</context>
<context>
    <name>KeyboardPackText</name>
    <message>
        <source>the name &quot;%1&quot; holds more than one number range</source>
        <translation>名字“%1”里有不止一个数字范围</translation>
    </message>
    <message>
        <source>the number range of &quot;%1&quot; is empty or has more than %2 numbers</source>
        <translation>“%1”中的数字范围是空的，或者多于 %2 个数字</translation>
    </message>
    <message>
        <source>Cannot make a folder for the pack&apos;s sounds: %1.</source>
        <translation>无法为音效包的声音建立文件夹：%1。</translation>
    </message>
    <message>
        <source>%1 ms + %2 ms</source>
        <translation>%1 毫秒 + %2 毫秒</translation>
    </message>
    <message>
        <source>the sound &quot;%1&quot; of a single pack names more than one file</source>
        <translation>single 音效包的声音“%1”指向不止一个文件</translation>
    </message>
    <message>
        <source>the name &quot;%1&quot; leads out of the pack or has an empty part</source>
        <translation>名字“%1”指向包外，或者有空的部分</translation>
    </message>
    <message>
        <source>the name &quot;%1&quot; clashes with a folder of the pack</source>
        <translation>名字“%1”和包里的一个文件夹冲突</translation>
    </message>
    <message>
        <source>Cannot write &quot;%1&quot;: %2.</source>
        <translation>无法写入“%1”：%2。</translation>
    </message>
    <message>
        <source>its sound &quot;%1&quot; does not play: %2</source>
        <translation>它的声音“%1”无法播放：%2</translation>
    </message>
    <message>
        <source>The keyboard sound pack &quot;%1&quot; cannot be used: %2.</source>
        <translation>无法使用键盘音效包“%1”：%2。</translation>
    </message>
    <message>
        <source>config.json is larger than the %1 KiB it may be</source>
        <translation>config.json 超过了允许的 %1 KiB</translation>
    </message>
    <message>
        <source>config.json nests deeper than %1 levels</source>
        <translation>config.json 的嵌套超过了 %1 层</translation>
    </message>
    <message>
        <source>config.json is not JSON: %1 at byte %2</source>
        <translation>config.json 不是 JSON：第 %2 个字节处%1</translation>
    </message>
    <message>
        <source>config.json holds no object</source>
        <translation>config.json 里没有对象</translation>
    </message>
    <message>
        <source>&quot;%1&quot; in config.json is not text</source>
        <translation>config.json 中的“%1”不是文字</translation>
    </message>
    <message>
        <source>&quot;%1&quot; in config.json is longer than %2 characters</source>
        <translation>config.json 中的“%1”超过了 %2 个字符</translation>
    </message>
    <message>
        <source>config.json is of version &quot;%1&quot;; keysound reads versions 1 and 2</source>
        <translation>config.json 的版本是“%1”；按键音只能读取版本 1 和 2</translation>
    </message>
    <message>
        <source>&quot;key_define_type&quot; in config.json is neither &quot;single&quot; nor &quot;multi&quot;</source>
        <translation>config.json 中的“key_define_type”既不是“single”也不是“multi”</translation>
    </message>
    <message>
        <source>the slice of key %1 has a negative or missing start or length</source>
        <translation>按键 %1 的片段的开始或长度是负数或者缺失</translation>
    </message>
    <message>
        <source>the slice of key %1 starts or lasts longer than a key sound can (%2 ms)</source>
        <translation>按键 %1 的片段开始得太晚或者太长，超出了按键声音的限度（%2 毫秒）</translation>
    </message>
    <message>
        <source>the define of key %1 is not [start, length] in milliseconds</source>
        <translation>按键 %1 的定义不是以毫秒为单位的 [开始, 长度]</translation>
    </message>
    <message>
        <source>the define of key %1 is not a file name</source>
        <translation>按键 %1 的定义不是文件名</translation>
    </message>
    <message>
        <source>config.json names no &quot;sound&quot; to cut the keys&apos; slices from</source>
        <translation>config.json 没有指定用来切出按键片段的“sound”</translation>
    </message>
    <message>
        <source>config.json has no &quot;defines&quot; object</source>
        <translation>config.json 里没有“defines”对象</translation>
    </message>
    <message>
        <source>config.json defines %1 keys, more than the %2 a pack may</source>
        <translation>config.json 定义了 %1 个按键，超过了允许的 %2 个</translation>
    </message>
    <message>
        <source>it names &quot;%1&quot;, which the pack does not hold</source>
        <translation>它用到“%1”，但包里没有这个文件</translation>
    </message>
    <message>
        <source>its file &quot;%1&quot; is larger than the %2 KiB it may be</source>
        <translation>它的文件“%1”超过了允许的 %2 KiB</translation>
    </message>
    <message>
        <source>its file &quot;%1&quot; is a link</source>
        <translation>它的文件“%1”是链接</translation>
    </message>
    <message>
        <source>&quot;%1&quot; in the pack is not a plain file</source>
        <translation>包里的“%1”不是普通文件</translation>
    </message>
    <message>
        <source>its folder &quot;%1&quot; is a link</source>
        <translation>它的文件夹“%1”是链接</translation>
    </message>
    <message>
        <source>it holds config.json in more than one top folder</source>
        <translation>它在不止一个顶层文件夹里有 config.json</translation>
    </message>
    <message>
        <source>it holds no config.json at its root or in one top folder</source>
        <translation>它的根目录和唯一的顶层文件夹里都没有 config.json</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; occurs twice</source>
        <translation>条目“%1”出现了两次</translation>
    </message>
    <message>
        <source>it has %1 entries, more than the %2 a pack may have</source>
        <translation>它有 %1 个条目，超过了包允许的 %2 个</translation>
    </message>
    <message>
        <source>its entries would unpack to more than the %1 MiB a pack may hold</source>
        <translation>它的条目解压后会超过包允许的 %1 MiB</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is a symbolic link</source>
        <translation>条目“%1”是符号链接</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is not a plain file</source>
        <translation>条目“%1”不是普通文件</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is encrypted or compressed other than stored or deflated</source>
        <translation>条目“%1”已加密，或者用了 stored 和 deflate 以外的压缩方法</translation>
    </message>
    <message>
        <source>it lasts %1 s; a sound cut into keys may last %2 s at most</source>
        <translation>它长 %1 秒；切分给各个按键的声音最长只能是 %2 秒</translation>
    </message>
</context>
<context>
    <name>LegacyImportText</name>
    <message>
        <source>a value of the column &quot;%1&quot; lies outside its page</source>
        <translation>列“%1”的一个值超出了所在的页</translation>
    </message>
    <message>
        <source>a memo or OLE value has an unknown kind of storage</source>
        <translation>备注或 OLE 值的存储类型未知</translation>
    </message>
    <message>
        <source>the page chain of a memo or OLE value has no end</source>
        <translation>备注或 OLE 值的页链没有结尾</translation>
    </message>
    <message>
        <source>the page chain of a memo or OLE value is broken</source>
        <translation>备注或 OLE 值的页链已断</translation>
    </message>
    <message>
        <source>a memo or OLE value is shorter than its recorded length</source>
        <translation>备注或 OLE 值比记录的长度短</translation>
    </message>
    <message>
        <source>a memo or OLE value points to a page that cannot be read</source>
        <translation>备注或 OLE 值指向无法读取的页</translation>
    </message>
    <message>
        <source>libmdb cannot open it</source>
        <translation>libmdb 无法打开它</translation>
    </message>
    <message>
        <source>it is not a Jet 3 or Jet 4 database</source>
        <translation>它不是 Jet 3 或 Jet 4 数据库</translation>
    </message>
    <message>
        <source>its table catalog cannot be read</source>
        <translation>无法读取它的表目录</translation>
    </message>
    <message>
        <source>its table catalog records %1 entries, but only %2 can be read</source>
        <translation>它的表目录记有 %1 项，但只能读出 %2 项</translation>
    </message>
    <message>
        <source>the definition of the table &quot;%1&quot; cannot be read</source>
        <translation>无法读取表“%1”的定义</translation>
    </message>
    <message>
        <source>table &quot;%1&quot;: %2</source>
        <translation>表“%1”：%2</translation>
    </message>
    <message>
        <source>its definition cannot be read</source>
        <translation>无法读取它的定义</translation>
    </message>
    <message>
        <source>row %1 is not on its data page</source>
        <translation>在数据页上找不到第 %1 行</translation>
    </message>
    <message>
        <source>row %1 cannot be decoded</source>
        <translation>无法解码第 %1 行</translation>
    </message>
    <message>
        <source>row %1 refers to a column that does not exist</source>
        <translation>第 %1 行引用了不存在的列</translation>
    </message>
    <message>
        <source>it records %1 rows, but only %2 can be read</source>
        <translation>它记有 %1 行，但只能读出 %2 行</translation>
    </message>
    <message>
        <source>usage: keysound-jet-reader -- FILE.mdb</source>
        <translation>用法：keysound-jet-reader -- 文件.mdb</translation>
    </message>
    <message>
        <source>The text of the old database uses the code page %1, which this system cannot convert.</source>
        <translation>旧数据库的文字使用代码页 %1，本系统无法转换。</translation>
    </message>
    <message>
        <source>Cannot read &quot;%1&quot;: %2.</source>
        <translation>无法读取“%1”：%2。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a folder, not a database file.</source>
        <translation>“%1”是文件夹，不是数据库文件。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a regular file (it is a device, a FIFO or a socket), so it cannot be a database file.</source>
        <translation>“%1”不是普通文件（而是设备、管道或套接字），不可能是数据库文件。</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>不存在</translation>
    </message>
    <message>
        <source>empty file</source>
        <translation>空文件</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>The database file &quot;%1&quot; (%2 format) is damaged and cannot be read. The original file was not changed. Reason: %3.</source>
        <translation>数据库文件“%1”（%2 格式）已损坏，无法读取。原文件未作任何改动。原因：%3。</translation>
    </message>
    <message>
        <source>reading did not end within %1 seconds</source>
        <translation>读取超过 %1 秒仍未结束</translation>
    </message>
    <message>
        <source>what was read exceeded the limit of %1 MB</source>
        <translation>读取结果超过 %1 MB 的上限</translation>
    </message>
    <message>
        <source>reading used up its %1 seconds of processor time</source>
        <translation>读取用尽了 %1 秒的处理器时间</translation>
    </message>
    <message>
        <source>the reading process ended abnormally: %1</source>
        <translation>读取进程异常终止：%1</translation>
    </message>
    <message>
        <source>what was read is incomplete</source>
        <translation>读取结果不完整</translation>
    </message>
    <message>
        <source>what was read is incomplete: %1</source>
        <translation>读取结果不完整：%1</translation>
    </message>
    <message>
        <source>Cannot import &quot;%2&quot;: the program &quot;%1&quot; that reads old databases was not found.</source>
        <translation>找不到读取旧版数据库的程序“%1”，无法导入“%2”。</translation>
    </message>
    <message>
        <source>Cannot keep a copy of the original file &quot;%1&quot;: %2.</source>
        <translation>无法保存原文件“%1”的副本：%2。</translation>
    </message>
    <message>
        <source>the backup names %1 to -%2 are all taken; move the old backups away first</source>
        <translation>备份名称 %1 至 -%2 都已被占用，请先移走旧的备份</translation>
    </message>
    <message>
        <source>The database &quot;%1&quot; does not exist.</source>
        <translation>数据库“%1”不存在。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is already an SQLite 3 database; there is nothing to import.</source>
        <translation>“%1”已经是 SQLite 3 数据库，无需导入。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is an empty file, not a database. The file was not changed.</source>
        <translation>“%1”是空文件，不是数据库。文件没有改动。</translation>
    </message>
    <message>
        <source>Cannot open &quot;%1&quot;: its format is ACE, and this program reads only SQLite 3 databases and the Jet 3 / Jet 4 files it imports. The file was not changed. Save it in Access as an Access 2000 (.mdb) database, then try again.</source>
        <translation>无法打开“%1”：它的格式是 ACE，而本程序只支持 SQLite 3 数据库和可导入的 Jet 3 / Jet 4 文件。文件没有改动。请在 Access 中把它另存为 Access 2000（.mdb）数据库后重试。</translation>
    </message>
    <message>
        <source>unknown (this program does not recognise it)</source>
        <translation>未知（本程序不认识）</translation>
    </message>
    <message>
        <source>Cannot open &quot;%1&quot;: its format is %2, and this program reads only SQLite 3 databases and the Jet 3 / Jet 4 files it imports. The file was not changed.</source>
        <translation>无法打开“%1”：它的格式是 %2，而本程序只支持 SQLite 3 数据库和可导入的 Jet 3 / Jet 4 文件。文件没有改动。</translation>
    </message>
    <message>
        <source>Cannot import into &quot;%1&quot;: a file of that name is already there.</source>
        <translation>无法导入到“%1”：已有同名文件。</translation>
    </message>
    <message>
        <source>%1 was a database in the old %2 format. It has been converted to the new format with all %4 rows of its %3 tables; the original file was kept as %5.</source>
        <translation>%1 是旧版（%2）格式的数据库，已转换为新格式，%3 个表共 %4 行全部保留；原文件保存在 %5。</translation>
    </message>
    <message>
        <source>Cannot start the reading process: %1.</source>
        <translation>无法启动读取进程：%1。</translation>
    </message>
    <message>
        <source>The database file &quot;%1&quot; was not found. To make a new one, run &quot;keysound-db init &apos;%1&apos;&quot; in the program&apos;s folder, then add keys and sounds in the editor.</source>
        <translation>找不到数据库文件“%1”。可以在程序文件夹中运行“keysound-db init &apos;%1&apos;”新建一个，然后在编辑器里添加按键和声音。</translation>
    </message>
</context>
<context>
    <name>PackText</name>
    <message>
        <source>The table pack &quot;%1&quot; cannot be used: %2.</source>
        <translation>无法使用表包“%1”：%2。</translation>
    </message>
    <message>
        <source>it has %1 entries, more than the %2 a pack may have</source>
        <translation>它有 %1 个条目，超过了表包允许的 %2 个</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is encrypted</source>
        <translation>条目“%1”已加密</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is compressed with method %2; a pack uses only stored and deflated entries</source>
        <translation>条目“%1”用压缩方法 %2 压缩；表包只使用不压缩（stored）和 deflate 压缩的条目</translation>
    </message>
    <message>
        <source>its entries would unpack to more than the %1 MiB a pack may hold (reached at the entry &quot;%2&quot;)</source>
        <translation>它的条目解包后会超过表包允许的 %1 MiB（在条目“%2”处达到上限）</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is a symbolic link</source>
        <translation>条目“%1”是符号链接</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; does not belong in a table pack, which holds only %2, %3 and the sounds under %4</source>
        <translation>条目“%1”不属于表包；表包只含 %2、%3 和 %4 下的声音</translation>
    </message>
    <message>
        <source>the name of entry %1 is not UTF-8 text</source>
        <translation>第 %1 个条目的名称不是 UTF-8 文本</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; occurs twice</source>
        <translation>条目“%1”出现了两次</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is an absolute path</source>
        <translation>条目“%1”是绝对路径</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; holds a backslash, which would become a folder separator</source>
        <translation>条目“%1”含有反斜杠，它会变成文件夹分隔符</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is a folder, where a file belongs</source>
        <translation>条目“%1”是文件夹，而这里应是文件</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; is not a regular file</source>
        <translation>条目“%1”不是普通文件</translation>
    </message>
    <message>
        <source>the entry &quot;%1&quot; leads out of the sound folder or has an empty part</source>
        <translation>条目“%1”指向声音文件夹之外，或者路径中有空的部分</translation>
    </message>
    <message>
        <source>the entries &quot;%1&quot; and &quot;%2%3&quot; name the same file ignoring letter case, or one names a folder of the other</source>
        <translation>不区分大小写时，条目“%1”和“%2%3”指向同一个文件，或者其中一个是另一个的文件夹</translation>
    </message>
    <message>
        <source>it has no entry &quot;%1&quot;, so it is no keysound table pack</source>
        <translation>它没有条目“%1”，所以不是 keysound 表包</translation>
    </message>
    <message>
        <source>its entry &quot;%1&quot; is not a keysound table pack&apos;s</source>
        <translation>它的条目“%1”不是 keysound 表包的条目</translation>
    </message>
    <message>
        <source>its entry &quot;%1&quot; says format %2, which this version cannot read (it reads format %3)</source>
        <translation>它的条目“%1”标明格式 %2，本版本无法读取（本版本读取格式 %3）</translation>
    </message>
    <message>
        <source>it has no table &quot;%1&quot;</source>
        <translation>它没有表“%1”</translation>
    </message>
    <message>
        <source>its table &quot;%1&quot; is larger than the %2 MiB a pack&apos;s table may be</source>
        <translation>它的表“%1”超过了表包的表允许的 %2 MiB</translation>
    </message>
    <message>
        <source>its table does not parse: %1</source>
        <translation>无法解析它的表：%1</translation>
    </message>
    <message>
        <source>row %1 of its table names the sound &quot;%2&quot;, which lies outside the sound folder</source>
        <translation>它的表的第 %1 行指定的声音“%2”位于声音文件夹之外</translation>
    </message>
    <message>
        <source>row %1 of its table names the sound &quot;%2&quot;, which the pack does not hold</source>
        <translation>它的表的第 %1 行指定的声音“%2”不在表包中</translation>
    </message>
    <message>
        <source>its sound &quot;%1%2&quot; is used by no row of its table</source>
        <translation>它的声音“%1%2”没有被表中任何一行使用</translation>
    </message>
    <message>
        <source>Cannot unpack the sound &quot;%1%2&quot; of the table pack &quot;%3&quot;: %4.</source>
        <translation>无法解包表包“%3”中的声音“%1%2”：%4。</translation>
    </message>
    <message>
        <source>Cannot put the sound &quot;%1&quot; into place: %2.</source>
        <translation>无法把声音“%1”放到位：%2。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is there already and is no folder</source>
        <translation>“%1”已存在，而且不是文件夹</translation>
    </message>
    <message>
        <source>another file took its name meanwhile</source>
        <translation>这期间另一个文件占用了它的名称</translation>
    </message>
    <message>
        <source>cannot make the folder &quot;%1&quot;</source>
        <translation>无法创建文件夹“%1”</translation>
    </message>
    <message>
        <source>it has no key</source>
        <translation>它没有键位</translation>
    </message>
    <message>
        <source>it has no sound file name</source>
        <translation>它没有声音文件名</translation>
    </message>
    <message>
        <source>its sound file name leads out of the sound folder</source>
        <translation>它的声音文件名指向声音文件夹之外</translation>
    </message>
    <message>
        <source>its sound file is missing</source>
        <translation>它的声音文件不存在</translation>
    </message>
    <message>
        <source>its sound file is not a file</source>
        <translation>它的声音文件不是文件</translation>
    </message>
    <message>
        <source>its sound file name is the same, ignoring letter case, as &quot;%1&quot; already in the pack, or names a folder of it</source>
        <translation>不区分大小写时，它的声音文件名与表包中已有的“%1”相同，或者是它的文件夹</translation>
    </message>
    <message>
        <source>its sound file is not playable: %1</source>
        <translation>它的声音文件无法播放：%1</translation>
    </message>
    <message>
        <source>The table of &quot;%1&quot; is too large for one pack (%2 sounds, %3 MiB); a pack holds at most %4 sounds, %5 MiB in all.</source>
        <translation>“%1”的表太大，一个表包装不下（%2 个声音，%3 MiB）；一个表包最多装 %4 个声音，总共 %5 MiB。</translation>
    </message>
    <message>
        <source>Cannot write the table pack &quot;%1&quot;: %2.</source>
        <translation>无法写入表包“%1”：%2。</translation>
    </message>
    <message>
        <source>The table folder &quot;%1&quot; has no sound folder MP3.</source>
        <translation>表文件夹“%1”中没有声音文件夹 MP3。</translation>
    </message>
    <message>
        <source>Cannot unpack into the sound folder &quot;%1&quot;: %2.</source>
        <translation>无法解包到声音文件夹“%1”：%2。</translation>
    </message>
    <message>
        <source>Cannot unpack into &quot;%1&quot;: %2.</source>
        <translation>无法解包到“%1”：%2。</translation>
    </message>
    <message>
        <source>The table pack &quot;%1&quot; cannot be used: its sound &quot;%2%3&quot; is not playable: %4.</source>
        <translation>无法使用表包“%1”：它的声音“%2%3”无法播放：%4。</translation>
    </message>
    <message>
        <source>Cannot open the table pack &quot;%1&quot;: %2.</source>
        <translation>无法打开表包“%1”：%2。</translation>
    </message>
    <message>
        <source>entry %1 cannot be read: %2</source>
        <translation>无法读取条目 %1：%2</translation>
    </message>
    <message>
        <source>entry %1 holds more than the %2 bytes it states</source>
        <translation>条目 %1 的内容超过了它标明的 %2 字节</translation>
    </message>
    <message>
        <source>entry %1 is damaged: %2</source>
        <translation>条目 %1 已损坏：%2</translation>
    </message>
    <message>
        <source>entry %1 holds %2 bytes, fewer than the %3 it states</source>
        <translation>条目 %1 只有 %2 字节，少于它标明的 %3 字节</translation>
    </message>
    <message>
        <source>The table pack &quot;%1&quot; is damaged: %2.</source>
        <translation>表包“%1”已损坏：%2。</translation>
    </message>
    <message>
        <source>its table has more than the %1 rows a table may have</source>
        <translation>它的对应表超过了一个对应表最多可有的 %1 行</translation>
    </message>
    <message>
        <source>its key and sound file name are longer than the %1 bytes a pack&apos;s row may have</source>
        <translation>它的按键和声音文件名超过了包里一行最多可有的 %1 字节</translation>
    </message>
</context>
<context>
    <name>PlatformText</name>
    <message>
        <source>The folder &quot;%1&quot; given by %2 does not exist. Create it, or give a folder that holds db1.mdb and MP3.</source>
        <translation>%2 指定的文件夹“%1”不存在。请先创建它，或指定一个含有 db1.mdb 和 MP3 的文件夹。</translation>
    </message>
    <message>
        <source>Your own keysound folder &quot;%1&quot; could not be made: %2</source>
        <translation>无法创建你自己的 keysound 文件夹“%1”：%2</translation>
    </message>
    <message>
        <source>The default mappings in &quot;%1&quot; are missing, so your own keysound folder &quot;%2&quot; cannot be made. Install keysound again, or start it with --folder and a folder of your own.</source>
        <translation>“%1”中的默认映射不见了，因此无法创建你自己的 keysound 文件夹“%2”。请重新安装 keysound，或用 --folder 指定一个你自己的文件夹来启动。</translation>
    </message>
    <message>
        <source>Your home folder is unknown: HOME is not set and the user database has no home folder for you. Set HOME, or start keysound with --folder and a folder of your own.</source>
        <translation>不知道您的主文件夹：没有设置 HOME，用户数据库里也没有您的主文件夹。请设置 HOME，或者用 --folder 和您自己的一个文件夹启动按键音。</translation>
    </message>
    <message>
        <source>Cannot start the program %1: %2.</source>
        <translation>无法启动程序 %1：%2。</translation>
    </message>
    <message>
        <source>Try &quot;%1 --help&quot; for the options it takes.</source>
        <translation>运行“%1 --help”查看可用的选项。</translation>
    </message>
    <message>
        <source>Plays a sound for every key you type.</source>
        <translation>每敲一个键就播放一个声音。</translation>
    </message>
    <message>
        <source>Use the mappings db1.mdb and the sounds MP3 in the folder DIR.</source>
        <translation>使用文件夹 DIR 中的映射 db1.mdb 和声音 MP3。</translation>
    </message>
    <message>
        <source>DIR</source>
        <translation>DIR</translation>
    </message>
    <message>
        <source>Unexpected argument &quot;%1&quot;.</source>
        <translation>多余的参数“%1”。</translation>
    </message>
    <message>
        <source>Error %1: %2</source>
        <translation>错误 %1：%2</translation>
    </message>
    <message>
        <source>Cannot copy &quot;%1&quot; to &quot;%2&quot;: %3.</source>
        <translation>无法把“%1”复制到“%2”：%3。</translation>
    </message>
    <message>
        <source>There is no room on the disk to copy &quot;%1&quot; to &quot;%2&quot;, so nothing was replaced. Free some space and try again. (%3)</source>
        <translation>磁盘空间不足，无法把“%1”复制到“%2”，没有替换任何文件。请腾出磁盘空间后重试。（%3）</translation>
    </message>
    <message>
        <source>the destination file is read-only</source>
        <translation>目标文件只读</translation>
    </message>
    <message>
        <source>the source file does not exist</source>
        <translation>源文件不存在</translation>
    </message>
</context>
<context>
    <name>ProgramText</name>
    <message>
        <source>Converting the old database %1…</source>
        <translation>正在转换旧版数据库 %1 …</translation>
    </message>
</context>
<context>
    <name>ProgressText</name>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 分 %2 秒</translation>
    </message>
    <message>
        <source>, about %1 left</source>
        <translation>，约剩 %1</translation>
    </message>
</context>
<context>
    <name>SpeechText</name>
    <message>
        <source>The key text &quot;%1&quot; has nothing to say.</source>
        <translation>键位文字“%1”没有可读出的内容。</translation>
    </message>
    <message>
        <source>espeak-ng said nothing audible for the key text &quot;%1&quot; with the voice &quot;%2&quot;.</source>
        <translation>espeak-ng 用语音“%2”读键位文字“%1”时没有发出可听见的声音。</translation>
    </message>
    <message>
        <source>The MP3 encoder LAME failed (error %1).</source>
        <translation>MP3 编码器 LAME 出错（错误 %1）。</translation>
    </message>
    <message>
        <source>The MP3 encoder LAME wrote no info frame, so players would start the sound late.</source>
        <translation>MP3 编码器 LAME 没有写入信息帧，播放器会延迟开始播放这个声音。</translation>
    </message>
    <message>
        <source>The sound file &quot;%1&quot; could not be written: %2.</source>
        <translation>无法写入声音文件“%1”：%2。</translation>
    </message>
    <message>
        <source>The speech engine espeak-ng could not start with its data from &quot;%1&quot;; is espeak-ng-data installed? (espeak-ng: %2)</source>
        <translation>语音引擎 espeak-ng 无法用“%1”中的数据启动；是否已安装 espeak-ng-data？（espeak-ng：%2）</translation>
    </message>
    <message>
        <source>espeak-ng has no voice &quot;%1&quot;.</source>
        <translation>espeak-ng 没有语音“%1”。</translation>
    </message>
    <message>
        <source>espeak-ng could not load the voice &quot;%1&quot;: %2.</source>
        <translation>espeak-ng 无法载入语音“%1”：%2。</translation>
    </message>
    <message>
        <source>espeak-ng could not speak &quot;%1&quot; with the voice &quot;%2&quot;: %3.</source>
        <translation>espeak-ng 无法用语音“%2”读出“%1”：%3。</translation>
    </message>
</context>
<context>
    <name>StoreText</name>
    <message>
        <source>The connection string &quot;%1&quot; names no Data Source (database file).</source>
        <translation>连接字符串“%1”没有指定 Data Source（数据库文件）。</translation>
    </message>
    <message>
        <source>Cannot read the connection string &quot;%1&quot;: %2.</source>
        <translation>无法解读连接字符串“%1”：%2。</translation>
    </message>
    <message>
        <source>a quoted value has no closing quote</source>
        <translation>带引号的值缺少右引号</translation>
    </message>
    <message>
        <source>there is text after a value&apos;s closing quote</source>
        <translation>值的右引号后面还有文字</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; is read-only: you may not write to that file or to its folder, so nothing can be added, changed or deleted in it, and nothing was. To change the mappings, copy the folder to one of your own and start keysound with --folder and that copy.</source>
        <translation>表“%1”是只读的：你无权写入这个文件或它所在的文件夹，因此不能在其中添加、修改或删除任何内容，这次也没有做任何改动。要修改映射，请把这个文件夹复制到你自己的文件夹中，再用选项“--folder”指定这份副本来启动本程序。</translation>
    </message>
    <message>
        <source>Cannot open &quot;%1&quot;: there is not enough memory.</source>
        <translation>无法打开“%1”：内存不足。</translation>
    </message>
    <message>
        <source>opening the file</source>
        <translation>打开文件</translation>
    </message>
    <message>
        <source>registering the SQL function %1</source>
        <translation>注册 SQL 函数 %1</translation>
    </message>
    <message>
        <source>Cannot write to &quot;%1&quot; while %2: the database was opened read-only, or the file or its folder cannot be written. Check the write permissions of both. (SQLite: %3)</source>
        <translation>%2时无法写入“%1”：数据库以只读方式打开，或文件及其所在文件夹不可写。请检查文件和文件夹的写入权限。（SQLite：%3）</translation>
    </message>
    <message>
        <source>While %2, &quot;%1&quot; stayed locked by another connection for longer than the program waits. Close other programs that use the file, then try again. (SQLite: %3)</source>
        <translation>%2时，“%1”被另一个连接锁定，超过了等待时间。请关闭正在使用该文件的其他程序后重试。（SQLite：%3）</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot grow while %2: the disk or the database is full. Free some disk space, then try again. (SQLite: %3)</source>
        <translation>%2时“%1”无法增大：磁盘或数据库已满。请腾出磁盘空间后重试。（SQLite：%3）</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a database this program can open. (SQLite: %2)</source>
        <translation>“%1”不是本程序能打开的数据库。（SQLite：%2）</translation>
    </message>
    <message>
        <source>The database engine failed on &quot;%1&quot; while %2. (SQLite: %3)</source>
        <translation>%2时，数据库引擎处理“%1”出错。（SQLite：%3）</translation>
    </message>
    <message>
        <source>running the statement &quot;%1&quot;</source>
        <translation>执行语句“%1”</translation>
    </message>
    <message>
        <source>binding parameter %1 of the statement &quot;%2&quot;</source>
        <translation>绑定语句“%2”的第 %1 个参数</translation>
    </message>
    <message>
        <source>The database &quot;%1&quot; has no table &quot;%2&quot;.</source>
        <translation>数据库“%1”中没有表“%2”。</translation>
    </message>
    <message>
        <source>The database &quot;%1&quot; has no column &quot;%2&quot;.</source>
        <translation>数据库“%1”中没有列“%2”。</translation>
    </message>
    <message>
        <source>The table file &quot;%1&quot; is damaged: found while %2. Use a copy of it from before the damage, or make a new one with keysound-db init. (SQLite: %3)</source>
        <translation>表文件“%1”已损坏（在%2时发现）。请使用损坏之前的副本，或用 keysound-db init 新建一个。（SQLite：%3）</translation>
    </message>
    <message>
        <source>The table file &quot;%1&quot; holds a value, a row or a definition larger than keysound reads (%2 bytes for a value or a row), found while %3.</source>
        <translation>表文件“%1”中有一个值、一行或一条定义超出了 keysound 读取的上限（一个值或一行最多 %2 字节），在%3时发现。</translation>
    </message>
    <message>
        <source>The table file &quot;%1&quot; holds a view named Config, not a table. keysound reads only a plain table Config: a view runs a query of its own at every key, which may never end.</source>
        <translation>表文件“%1”中的 Config 是视图，而不是表。keysound 只读取普通的 Config 表：视图在每次按键时都会运行它自己的查询，而这个查询可能永远不会结束。</translation>
    </message>
    <message>
        <source>The table file &quot;%1&quot; holds a virtual table named Config, not a plain table. keysound reads only a plain table Config: a virtual table runs code of its own at every read.</source>
        <translation>表文件“%1”中的 Config 是虚拟表，而不是普通表。keysound 只读取普通的 Config 表：虚拟表在每次读取时都会运行它自己的代码。</translation>
    </message>
    <message>
        <source>The table Config in &quot;%1&quot; has triggers, which run statements of their own whenever the table is changed. keysound accepts them only in your own folder &quot;%2&quot;; use a copy of the table without them.</source>
        <translation>“%1”中的 Config 表带有触发器，表每次被修改时它们都会运行自己的语句。keysound 只在你自己的文件夹“%2”中接受触发器；请使用不带触发器的表副本。</translation>
    </message>
    <message>
        <source>Working on the table file &quot;%1&quot; took longer than the %2 ms it may take, so it was stopped (%3). The file holds far more than a key table, or work made to keep keysound busy.</source>
        <translation>处理表文件“%1”的时间超过了允许的 %2 毫秒，因此已被中止（%3）。这个文件包含的内容远多于一张按键表，或者是专门用来拖住 keysound 的。</translation>
    </message>
    <message>
        <source>switching on the engine&apos;s defences for files from elsewhere</source>
        <translation>为来自别处的文件开启数据库引擎的防护</translation>
    </message>
    <message>
        <source>The row to update (rowid %1) is no longer in the table %2 of &quot;%3&quot;: another connection deleted it. Refresh, then edit again.</source>
        <translation>要更新的行（rowid %1）已不在“%3”的表 %2 中：另一个连接删除了它。请刷新后再编辑。</translation>
    </message>
    <message>
        <source>Cannot write the database &quot;%1&quot;: %2.</source>
        <translation>无法写入数据库“%1”：%2。</translation>
    </message>
    <message>
        <source>Cannot write the database &quot;%1&quot;: no new file can be made in its folder: %2.</source>
        <translation>无法写入数据库“%1”：无法在它所在的文件夹里新建文件：%2。</translation>
    </message>
    <message>
        <source>opening the new file</source>
        <translation>打开新文件</translation>
    </message>
    <message>
        <source>Cannot write the database &quot;%1&quot; while %2. (SQLite: %3)</source>
        <translation>%2时无法写入数据库“%1”。（SQLite：%3）</translation>
    </message>
    <message>
        <source>closing the new file</source>
        <translation>关闭新文件</translation>
    </message>
    <message>
        <source>Cannot write the database &quot;%1&quot;: a file of that name is already there.</source>
        <translation>无法写入数据库“%1”：已有同名文件。</translation>
    </message>
    <message>
        <source>Cannot move &quot;%1&quot; to &quot;%2&quot;: %3.</source>
        <translation>无法把“%1”移到“%2”：%3。</translation>
    </message>
    <message>
        <source>Cannot write the database &quot;%1&quot; while %2: there is no room on the disk; nothing was replaced. Free some space and try again. (SQLite: %3)</source>
        <translation>%2时无法写入数据库“%1”：磁盘空间不足，没有替换任何文件。请腾出磁盘空间后重试。（SQLite：%3）</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; cannot be written, so keysound reads a copy of it, but the copy could not be made in &quot;%2&quot;: %3</source>
        <translation>表“%1”不可写入，因此 keysound 会读取它的副本，但无法在“%2”中建立副本：%3</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; cannot be written, so keysound would read a copy of it, but at %2 MB it is larger than the %3 MB it copies. A key table is far smaller; check where the file came from.</source>
        <translation>表“%1”不可写入，因此 keysound 本应读取它的副本，但它有 %2 MB，超过了可复制的上限 %3 MB。按键表远比这小；请检查这个文件的来源。</translation>
    </message>
    <message>
        <source>the table was written to while it was copied; try again when it is not being changed</source>
        <translation>复制对应表时它正在被写入；请在它不再被修改时重试</translation>
    </message>
    <message>
        <source>Cannot run &quot;%1&quot;: the connection is not open.</source>
        <translation>无法执行“%1”：连接没有打开。</translation>
    </message>
    <message>
        <source>Cannot %1: the recordset is not open.</source>
        <translation>无法%1：记录集没有打开。</translation>
    </message>
    <message>
        <source>The fields of &quot;%2&quot; have no column %1 (its fields: %3).</source>
        <translation>“%2”的字段中没有列 %1（字段：%3）。</translation>
    </message>
    <message>
        <source>read a field</source>
        <translation>读取字段</translation>
    </message>
    <message>
        <source>change a field</source>
        <translation>修改字段</translation>
    </message>
    <message>
        <source>read the records again</source>
        <translation>重新读取记录</translation>
    </message>
    <message>
        <source>There is no cell (%1, %2): the recordset has %3 rows and %4 columns.</source>
        <translation>单元格（%1, %2）不存在：记录集只有 %3 行 %4 列。</translation>
    </message>
    <message>
        <source>Cannot %1: the rows of &quot;%2&quot; are read-only; only a plain &quot;select * from &lt;table&gt;&quot; can be changed.</source>
        <translation>无法%1：“%2”的行是只读的；只有简单的“select * from &lt;表&gt;”才能修改。</translation>
    </message>
    <message>
        <source>Cannot %1: the columns of the table %2 take all three names rowid, oid and _rowid_, so its rows cannot be found again to write them back.</source>
        <translation>无法%1：表 %2 的列占用了 rowid、oid 和 _rowid_ 这三个名字，记录的行号无法访问，因此不能写回记录。</translation>
    </message>
    <message>
        <source>add a record</source>
        <translation>添加记录</translation>
    </message>
    <message>
        <source>cancel the changes</source>
        <translation>取消修改</translation>
    </message>
    <message>
        <source>save the changes</source>
        <translation>保存修改</translation>
    </message>
    <message>
        <source>Cannot save the rows chosen by the value %1: only all rows or the current row can be saved.</source>
        <translation>无法保存按值 %1 选定的行：只能保存全部行或当前行。</translation>
    </message>
    <message>
        <source>The changes were not saved and nothing was written; the %1 changed rows stay as they are, to be corrected and updated again, or cancelled. Cause: %2</source>
        <translation>修改没有保存，什么都没有写入；%1 个已修改的行保持原样，可以改正后再更新，或取消。原因：%2</translation>
    </message>
    <message>
        <source>Cannot delete the rows chosen by the value %1: only the current row can be deleted.</source>
        <translation>无法删除按值 %1 选定的行：只能删除当前行。</translation>
    </message>
    <message>
        <source>delete the record</source>
        <translation>删除记录</translation>
    </message>
    <message>
        <source>Cannot %1: the recordset has no rows to move to.</source>
        <translation>无法%1：记录集里没有可移到的行。</translation>
    </message>
    <message>
        <source>Cannot %1: there is no current record; the recordset %2.</source>
        <translation>无法%1：没有当前记录，记录集%2。</translation>
    </message>
    <message>
        <source>is before its first row (BOF)</source>
        <translation>位于第一行之前（BOF）</translation>
    </message>
    <message>
        <source>is empty (BOF and EOF)</source>
        <translation>为空（BOF 且 EOF）</translation>
    </message>
    <message>
        <source>is after its last row (EOF)</source>
        <translation>位于最后一行之后（EOF）</translation>
    </message>
    <message>
        <source>is on a deleted row</source>
        <translation>位于已删除的行上</translation>
    </message>
    <message>
        <source>is on row %1</source>
        <translation>位于第 %1 行</translation>
    </message>
    <message>
        <source>move to the first record</source>
        <translation>移到第一条记录</translation>
    </message>
    <message>
        <source>move to the last record</source>
        <translation>移到最后一条记录</translation>
    </message>
    <message>
        <source>move to the next record</source>
        <translation>移到下一条记录</translation>
    </message>
    <message>
        <source>Cannot %1: the recordset %2.</source>
        <translation>无法%1：记录集%2。</translation>
    </message>
    <message>
        <source>move to the previous record</source>
        <translation>移到上一条记录</translation>
    </message>
    <message>
        <source>select a row</source>
        <translation>选择行</translation>
    </message>
    <message>
        <source>There is no row %1: the recordset&apos;s row count is %2.</source>
        <translation>第 %1 行不存在：记录集只有 %2 行。</translation>
    </message>
    <message>
        <source>read the bookmark</source>
        <translation>读取书签</translation>
    </message>
    <message>
        <source>set the bookmark</source>
        <translation>设置书签</translation>
    </message>
    <message>
        <source>The bookmark &quot;%1&quot; names no row of this recordset: its row was deleted, or the bookmark comes from elsewhere.</source>
        <translation>书签“%1”不指向此记录集中的任何行：该行已被删除，或书签来自别处。</translation>
    </message>
    <message>
        <source>The table %1 in &quot;%2&quot; has more than %3 rows, the most keysound holds in memory; a keyboard or a word list needs far fewer. Check where the file came from, or split the table.</source>
        <translation>“%2”中的表 %1 超过了 %3 行，这是 keysound 在内存中保存的上限；一个键盘或一份词表需要的行数要少得多。请检查这个文件的来源，或把表拆分开。</translation>
    </message>
    <message>
        <source>The table %1 in &quot;%2&quot; holds more than %3 MB of values, the most keysound holds in memory; key texts and file names need far less. Check where the file came from.</source>
        <translation>“%2”中的表 %1 的值超过了 %3 MB，这是 keysound 在内存中保存的上限；按键文字和文件名需要的空间要少得多。请检查这个文件的来源。</translation>
    </message>
</context>
</TS>
