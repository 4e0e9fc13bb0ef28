#!/usr/bin/env python3
"""Write the sample document corpus that the demo and the end-to-end tests index.

Usage: make-corpus.py OUTPUT_FOLDER

The folder is created when missing; files this script writes are overwritten, other
files in it are left alone. Besides the documents it writes corpus.json, the manifest
that tests read their expectations from (all strings in it are UTF-8):

  documents[]: file (relative, "/"-separated), kind (text, html, mail, news),
               encoding, keywords (words found in this document only), title (the
               title mknmz gives the document), title_exact (false where the
               title namazu stores is not that text: a title made from a non-ASCII
               file name, kept as the name's UTF-8 bytes, so that the order of a
               sort by title cannot be told from it), mail (true for mail and news),
               mtime (seconds since the epoch, set on the file); for mail and news
               also subject (decoded), from_name (decoded), from_addr and date (the
               Date header); for the document with half-width katakana
               halfwidth_katakana (the word as written and as it must be searched).
  shared:      word -> the files containing it, worked out from the texts.
  phrase:      the two-word phrase, the file holding it adjacent and the file
               holding both words apart.
  links:       relative links between HTML pages.

Standard library only. The output is the same on every run (fixed texts, fixed
modification times), so an index built from it gives the same results each time.
"""

import base64
import json
import os
import re
import sys

# --------------------------------------------------------------------------
# Texts. All of them are written for this project.
# --------------------------------------------------------------------------

JIS_MEMO = """\
庭の手入れ帳

梅雨に入ると、庭の紫陽花が青から紫へと色を変えていきます。
どの株が何色に咲いたかを毎年この文書に書き留めておき、
次の春に検索して見返すのが小さな楽しみになりました。
手書きのノートと違って、古い記録もすぐに検索できます。
"""

EUC_MEMO = """\
朝ごはんの記録

今朝は豆腐とわかめの味噌汁を作りました。
献立を文書にしておくと、同じ料理が続いたときにすぐ気づきます。
去年の朝ごはんも検索ひとつで一覧になります。
"""

# The half-width katakana word stays half-width in the file (Shift-JIS single bytes).
SJIS_MEMO = """\
週末の予定

土曜日は自転車で川沿いの道を走るつもりです。
行き先と距離はこの文書にまとめ、ｶﾚﾝﾀﾞｰにも書き込みました。
去年の記録を検索すると、同じ道を三回走っていました。
"""

UTF8_MEMO = """\
調べものの手順

駅前の図書館には、地域の古い新聞がそろっています。
目録の文書は館内の端末から検索でき、書名の一部だけでも見つかります。
"""

# The document whose file name is Japanese.
TRAVEL_NAME = "旅行の覚え書き.txt"
TRAVEL_MEMO = """\
秋の旅

山あいの温泉まで、ローカル線を乗り継いで出かけました。
宿の名前と乗り換えの時刻は、あとで検索できるように文書にしておきます。
"""

# A document whose folder and file names are Japanese, the file name with
# characters Shift-JIS cannot write (𠮷) and one it writes only as an NEC
# special character (①).
YOSHINOYA_NAME = "日本語フォルダ/𠮷野家の①メモ.txt"
YOSHINOYA_MEMO = """\
牛丼のメモ

駅前の店で牛丼を食べました。
"""

ENGLISH = """\
Notes on a coastal walk

The path follows the cliffs for about six kilometres and ends at an old
lighthouse. The keeper's cottage is now a small museum with tide tables,
maps and a logbook from the last century. Bring water and a warm jacket:
the wind on the headland is strong even in summer.
"""

PHRASE_ADJACENT = """\
Building a search index

A desktop search tool should offer quick indexing of new files, so that a
document saved a minute ago can already be found. The index is updated in
small steps instead of being rebuilt from scratch.
"""

# "quick" and "indexing" both occur, never next to each other.
PHRASE_APART = """\
Choosing what to index

Indexing every file on a disk takes time. A quick look at the folders first
shows which of them hold documents worth searching, and which only hold
programs or pictures.
"""

MAIL_SUBJECT = "会議の日程について"
MAIL_FROM_NAME = "山田 花子"
MAIL_BODY = """\
皆さま

来週の定例会議は水曜日の午後二時からに変更になりました。
前回の議事録は共有フォルダに置いてあります。
過去の資料は全文検索で探せますので、ご利用ください。

山田
"""

EML_SUBJECT = "お花見の場所の相談"
EML_FROM_NAME = "佐藤 次郎"
EML_BODY = """\
山田さん

今年のお花見は川べりの公園にしませんか。
屋台が出るので弁当は少なめで大丈夫だと思います。
去年の写真は検索すればすぐ出てきます。

佐藤
"""

# Long enough to need two encoded words on two header lines.
NEWS_SUBJECT = "明日の天気予報まとめ（関東地方と週末の見通し）"
NEWS_FROM_NAME = "鈴木 三郎"
NEWS_BODY = """\
明日は朝のうち曇り、昼過ぎから晴れる見込みです。
各地の天気予報をまとめました。過去のまとめは記事の検索で探せます。
"""

HTML_SJIS_TITLE = "検索の手引き"
HTML_SJIS_BODY = """\
<h1>検索の手引き</h1>
<p>キーワードを入力して検索すると、見つかった文書が一覧になります。
語の前後に空白を入れると、いくつかの索引語をまとめて指定できます。</p>
<p>料理の文書の例は <a href="recipe-euc.html">季節の献立</a> にあります。</p>
"""

HTML_EUC_TITLE = "季節の献立"
HTML_EUC_BODY = """\
<h1>季節の献立</h1>
<p>冬の夕食には茶碗蒸しと焼き魚がよく合います。
献立の文書は台所の端末から検索できます。</p>
<p><a href="guide-sjis.html">検索の手引きに戻る</a></p>
"""

HTML_UTF8_TITLE = "町内のお知らせ"
HTML_UTF8_BODY = """\
<h1>町内のお知らせ</h1>
<p>来月の第一日曜日に公民館で防災訓練を行います。
過去のお知らせは文書の検索で読み返せます。</p>
"""

# --------------------------------------------------------------------------
# Helpers
# --------------------------------------------------------------------------

BASE_MTIME = 1262304000  # 2010-01-01 00:00:00 UTC


def encoded_words(text, charset="ISO-2022-JP", codec="iso2022_jp"):
    """Encode text as RFC 2047 "B" encoded words of at most 75 characters each.

    Each word is self-contained: its ISO-2022-JP bytes begin and end in ASCII.
    Words are joined with a folding line break, as in a header.
    """
    words = []
    prefix = "=?%s?B?" % charset
    suffix = "?="
    chunk = ""
    for ch in text:
        trial = chunk + ch
        encoded = prefix + base64.b64encode(trial.encode(codec)).decode("ascii") + suffix
        if len(encoded) > 75 and chunk:
            words.append(prefix + base64.b64encode(chunk.encode(codec)).decode("ascii") + suffix)
            chunk = ch
        else:
            chunk = trial
    if chunk:
        words.append(prefix + base64.b64encode(chunk.encode(codec)).decode("ascii") + suffix)
    return "\n ".join(words)


def as_indexed(text):
    """Text as mknmz stores it: its code conversion turns full-width ASCII letters,
    digits and symbols (U+FF01-U+FF5E) into ASCII and the ideographic space into a
    blank, so a subject "（例）" becomes the title "(例)"."""
    return "".join(chr(ord(c) - 0xFEE0) if 0xFF01 <= ord(c) <= 0xFF5E
                   else " " if c == "\u3000" else c for c in text)


def html_page(title, body, charset):
    return (
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n"
        "<html>\n<head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%s\">\n"
        "<title>%s</title>\n"
        "</head>\n<body>\n%s</body>\n</html>\n" % (charset, title, body)
    )


def mail_message(subject, from_name, from_addr, to, date, msgid, body, news_groups=None):
    lines = []
    if news_groups:
        lines.append("Path: news.example.jp!not-for-mail")
    lines.append("From: %s <%s>" % (encoded_words(from_name), from_addr))
    if news_groups:
        lines.append("Newsgroups: %s" % news_groups)
    else:
        lines.append("To: %s" % to)
    lines.append("Subject: %s" % encoded_words(subject))
    lines.append("Date: %s" % date)
    lines.append("Message-ID: <%s>" % msgid)
    lines.append("MIME-Version: 1.0")
    lines.append("Content-Type: text/plain; charset=ISO-2022-JP")
    lines.append("Content-Transfer-Encoding: 7bit")
    return "\n".join(lines) + "\n\n" + body


# Every document: relative path, kind, encoding label, Python codec, text, unique
# keywords, expected title, and for mail/news the decoded headers.
def documents():
    docs = [
        dict(file="text/jis-memo.txt", kind="text", encoding="ISO-2022-JP",
             codec="iso2022_jp", text=JIS_MEMO, keywords=["紫陽花"]),
        dict(file="text/euc-memo.txt", kind="text", encoding="EUC-JP",
             codec="euc_jp", text=EUC_MEMO, keywords=["味噌汁"]),
        dict(file="text/sjis-memo.txt", kind="text", encoding="Shift_JIS",
             codec="cp932", text=SJIS_MEMO, keywords=["自転車"],
             halfwidth_katakana={"in_file": "ｶﾚﾝﾀﾞｰ", "indexed_as": "カレンダー"}),
        dict(file="text/utf8-memo.txt", kind="text", encoding="UTF-8",
             codec="utf-8", text=UTF8_MEMO, keywords=["図書館"]),
        dict(file="text/" + TRAVEL_NAME, kind="text", encoding="EUC-JP",
             codec="euc_jp", text=TRAVEL_MEMO, keywords=["温泉"]),
        dict(file="text/" + YOSHINOYA_NAME, kind="text", encoding="UTF-8",
             codec="utf-8", text=YOSHINOYA_MEMO, keywords=["牛丼"]),
        dict(file="text/english.txt", kind="text", encoding="US-ASCII",
             codec="ascii", text=ENGLISH, keywords=["lighthouse"]),
        dict(file="text/phrase-adjacent.txt", kind="text", encoding="US-ASCII",
             codec="ascii", text=PHRASE_ADJACENT, keywords=["scratch"]),
        dict(file="text/phrase-apart.txt", kind="text", encoding="US-ASCII",
             codec="ascii", text=PHRASE_APART, keywords=["pictures"]),
        dict(file="html/guide-sjis.html", kind="html", encoding="Shift_JIS",
             codec="cp932", title=HTML_SJIS_TITLE,
             text=html_page(HTML_SJIS_TITLE, HTML_SJIS_BODY, "Shift_JIS"),
             keywords=["索引語"]),
        dict(file="html/recipe-euc.html", kind="html", encoding="EUC-JP",
             codec="euc_jp", title=HTML_EUC_TITLE,
             text=html_page(HTML_EUC_TITLE, HTML_EUC_BODY, "EUC-JP"),
             keywords=["茶碗蒸し"]),
        dict(file="html/notice-utf8.html", kind="html", encoding="UTF-8",
             codec="utf-8", title=HTML_UTF8_TITLE,
             text=html_page(HTML_UTF8_TITLE, HTML_UTF8_BODY, "UTF-8"),
             keywords=["公民館"]),
        dict(file="mail/inbox/1", kind="mail", encoding="ISO-2022-JP",
             codec="iso2022_jp", title=as_indexed(MAIL_SUBJECT), subject=MAIL_SUBJECT,
             from_name=MAIL_FROM_NAME, from_addr="hanako@example.jp",
             date="Mon, 15 Mar 2010 09:30:00 +0900",
             text=mail_message(MAIL_SUBJECT, MAIL_FROM_NAME, "hanako@example.jp",
                               "team@example.jp", "Mon, 15 Mar 2010 09:30:00 +0900",
                               "20100315093000.1@example.jp", MAIL_BODY),
             keywords=["議事録"]),
        dict(file="mail/hanami.eml", kind="mail", encoding="ISO-2022-JP",
             codec="iso2022_jp", title=as_indexed(EML_SUBJECT), subject=EML_SUBJECT,
             from_name=EML_FROM_NAME, from_addr="jiro@example.jp",
             date="Fri, 26 Mar 2010 18:05:00 +0900",
             text=mail_message(EML_SUBJECT, EML_FROM_NAME, "jiro@example.jp",
                               "hanako@example.jp", "Fri, 26 Mar 2010 18:05:00 +0900",
                               "20100326180500.2@example.jp", EML_BODY),
             keywords=["弁当"]),
        dict(file="news/local.weather/1", kind="news", encoding="ISO-2022-JP",
             codec="iso2022_jp", title=as_indexed(NEWS_SUBJECT), subject=NEWS_SUBJECT,
             from_name=NEWS_FROM_NAME, from_addr="saburo@example.jp",
             date="Sat, 03 Apr 2010 21:00:00 +0900",
             text=mail_message(NEWS_SUBJECT, NEWS_FROM_NAME, "saburo@example.jp",
                               None, "Sat, 03 Apr 2010 21:00:00 +0900",
                               "20100403210000.3@news.example.jp", NEWS_BODY,
                               news_groups="local.weather"),
             keywords=["天気予報"]),
    ]
    for i, d in enumerate(docs):
        d.setdefault("title", d["file"].rsplit("/", 1)[-1])
        # A title taken from a non-ASCII (UTF-8) file name is stored as the name's
        # UTF-8 bytes taken for EUC-JP; the result list shows the name again, but
        # a sort by title orders those bytes.
        d["title_exact"] = d["kind"] != "text" or d["title"].isascii()
        d["mail"] = d["kind"] in ("mail", "news")
        d["mtime"] = BASE_MTIME + 86400 * i
    return docs


# Words that several documents share; the manifest lists where each one occurs.
SHARED_WORDS = ["検索", "文書", "去年", "index", "quick", "indexing"]
PHRASE = "quick indexing"
LINKS = [("html/guide-sjis.html", "recipe-euc.html"),
         ("html/recipe-euc.html", "guide-sjis.html")]


def searchable_text(doc):
    """The text a word search can find: the document's text (HTML without its tags,
    mail headers decoded) and the words of its file name, which mknmz also indexes."""
    text = doc["text"]
    if doc["kind"] == "html":
        text = re.sub(r"<[^>]*>", " ", text)
    text += "\n" + re.sub(r"[/\\_.-]", " ", doc["file"].rsplit("/", 1)[-1])
    if doc["mail"]:
        text += "\n" + doc["subject"] + "\n" + doc["from_name"]
    if "halfwidth_katakana" in doc:
        hw = doc["halfwidth_katakana"]
        text = text.replace(hw["in_file"], hw["indexed_as"])
    return text


def contains(text, word):
    """True when text holds word: as a whole word for ASCII words, as a substring
    for Japanese ones (Japanese text has no blanks between words)."""
    if word.isascii():
        pattern = r"(?<![A-Za-z0-9])%s(?![A-Za-z0-9])" % re.escape(word)
        return re.search(pattern, text, re.IGNORECASE) is not None
    return word in text


def holds_phrase(text, phrase):
    words = re.findall(r"[A-Za-z0-9]+", text.lower())
    target = phrase.lower().split()
    n = len(target)
    return any(words[i:i + n] == target for i in range(len(words) - n + 1))


def check(docs):
    """Refuse to write a corpus whose expectations do not hold."""
    texts = {d["file"]: searchable_text(d) for d in docs}
    for d in docs:
        words = list(d["keywords"])
        if "halfwidth_katakana" in d:
            words.append(d["halfwidth_katakana"]["indexed_as"])
        for word in words:
            holders = [f for f, t in texts.items() if contains(t, word) or word in f]
            if holders != [d["file"]]:
                raise SystemExit("keyword %r is not unique to %s: %r" % (word, d["file"], holders))
    for word in SHARED_WORDS:
        holders = [f for f, t in texts.items() if contains(t, word)]
        if len(holders) < 2:
            raise SystemExit("shared word %r occurs in fewer than two documents" % word)
    adjacent = [f for f, t in texts.items() if holds_phrase(t, PHRASE)]
    if adjacent != ["text/phrase-adjacent.txt"]:
        raise SystemExit("phrase %r found in %r" % (PHRASE, adjacent))
    apart = [f for f, t in texts.items()
             if all(contains(t, w) for w in PHRASE.split()) and not holds_phrase(t, PHRASE)]
    if apart != ["text/phrase-apart.txt"]:
        raise SystemExit("words of %r found apart in %r" % (PHRASE, apart))
    for d in docs:
        if d["kind"] == "html" and "<title>%s</title>" % d["title"] not in d["text"]:
            raise SystemExit("title of %s is not in its text" % d["file"])
        if d["mail"] and "=?ISO-2022-JP?B?" not in d["text"]:
            raise SystemExit("%s has no encoded header" % d["file"])
        if d["kind"] == "text" and "halfwidth_katakana" in d:
            if d["halfwidth_katakana"]["in_file"] not in d["text"]:
                raise SystemExit("half-width katakana missing from %s" % d["file"])


def check_links(docs):
    files = {d["file"]: d for d in docs}
    for source, href in LINKS:
        if 'href="%s"' % href not in files[source]["text"]:
            raise SystemExit("%s does not link to %s" % (source, href))
        target = source.rsplit("/", 1)[0] + "/" + href
        if target not in files:
            raise SystemExit("link target %s is not in the corpus" % target)


def manifest(docs):
    texts = {d["file"]: searchable_text(d) for d in docs}
    out_docs = []
    for d in docs:
        entry = {k: d[k] for k in ("file", "kind", "encoding", "keywords", "title", "title_exact",
                                        "mail", "mtime")}
        for k in ("subject", "from_name", "from_addr", "date", "halfwidth_katakana"):
            if k in d:
                entry[k] = d[k]
        out_docs.append(entry)
    shared = {w: sorted(f for f, t in texts.items() if contains(t, w)) for w in SHARED_WORDS}
    adjacent = [f for f, t in texts.items() if holds_phrase(t, PHRASE)]
    apart = [f for f, t in texts.items()
             if all(contains(t, w) for w in PHRASE.split()) and not holds_phrase(t, PHRASE)]
    return {
        "documents": out_docs,
        "shared": shared,
        "phrase": {"phrase": PHRASE, "adjacent": adjacent, "apart": apart},
        "links": [{"from": a, "href": b} for a, b in LINKS],
    }


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make-corpus.py OUTPUT_FOLDER\n")
        return 2
    root = argv[1]
    docs = documents()
    check(docs)
    check_links(docs)
    for d in docs:
        # File names are UTF-8 on disk whatever the locale: under LANG=ja_JP.SJIS
        # Python would otherwise write the Japanese name in Shift-JIS.
        path = os.path.join(os.fsencode(root), *(part.encode("utf-8")
                                                 for part in d["file"].split("/")))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = d["text"].encode(d["codec"])
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (d["mtime"], d["mtime"]))
    with open(os.path.join(root, "corpus.json"), "w", encoding="utf-8") as f:
        json.dump(manifest(docs), f, ensure_ascii=False, indent=2)
        f.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
