#!/usr/bin/env python3
"""Check corpus.json against the real Namazu programs.

Usage: check-corpus.py CORPUS_FOLDER INDEX_FOLDER

CORPUS_FOLDER is a folder written by make-corpus.py. INDEX_FOLDER is created and
filled by mknmz when it holds no index yet. Every expectation in the manifest is then
asked of namazu: each keyword finds exactly its document, each shared word exactly
its list, the phrase only the adjacent document, titles and authors read as stated.
Prints one line per check and exits 1 when any check fails.

The programs run as the front end runs them: LANG=ja_JP.SJIS, PERL_BADLANG=0,
LC_ALL, LC_CTYPE, LC_MESSAGES and LANGUAGE removed, queries in Shift-JIS.
Standard library only.
"""

import json
import os
import re
import subprocess
import sys
import urllib.parse


def namazu_env():
    env = {k: v for k, v in os.environ.items()
           if k not in ("LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANGUAGE")}
    env.update(LANG="ja_JP.SJIS", PERL_BADLANG="0")
    return env


class Checker:
    def __init__(self, corpus, index):
        self.corpus = os.path.abspath(corpus)
        self.index = os.path.abspath(index)
        self.env = namazu_env()
        self.failures = 0

    def build_index(self):
        if os.path.exists(os.path.join(self.index, "NMZ.i")):
            return
        os.makedirs(self.index, exist_ok=True)
        subprocess.run(["perl", "/usr/bin/mknmz", "-q", "-O", self.index, self.corpus],
                       env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
        if not os.path.exists(os.path.join(self.index, "NMZ.i")):
            raise SystemExit("mknmz wrote no index into %s" % self.index)

    def search(self, query, *options):
        run = subprocess.run(["namazu", *options, query.encode("cp932"), self.index],
                             env=self.env, capture_output=True, check=True)
        return run.stdout.decode("cp932", "replace")

    def files(self, query):
        """Corpus-relative files of every hit. -U keeps non-ASCII names percent-encoded
        (namazu garbles them otherwise), so they are decoded here."""
        lines = self.search(query, "-l", "-a", "-U").splitlines()
        return sorted(os.path.relpath(urllib.parse.unquote(line), self.corpus)
                      for line in lines if line)

    def expect(self, what, got, want):
        ok = got == want
        if not ok:
            self.failures += 1
        print("ok   " + what if ok else "FAIL %s: got %r, expected %r" % (what, got, want))

    def run(self):
        with open(os.path.join(self.corpus, "corpus.json"), encoding="utf-8") as f:
            manifest = json.load(f)
        self.build_index()
        for doc in manifest["documents"]:
            for word in doc["keywords"]:
                self.expect("keyword %s -> %s" % (word, doc["file"]), self.files(word), [doc["file"]])
            if "halfwidth_katakana" in doc:
                word = doc["halfwidth_katakana"]["indexed_as"]
                self.expect("half-width word %s -> %s" % (word, doc["file"]),
                            self.files(word), [doc["file"]])
            lines = self.search(doc["keywords"][0]).splitlines()
            titles = [m.group(1) for m in
                      (re.match(r"1\. (.*) \(スコア: \d+\)$", line) for line in lines) if m]
            if doc["title_exact"]:
                self.expect("title of %s" % doc["file"], titles, [doc["title"]])
            else:
                self.expect("one titled hit for %s" % doc["file"], len(titles), 1)
            if doc["mail"]:
                authors = [line for line in lines if line.startswith("著者: ")]
                self.expect("author of %s" % doc["file"], authors,
                            ["著者: %s <%s>" % (doc["from_name"], doc["from_addr"])])
        for word, files in manifest["shared"].items():
            self.expect("shared word %s" % word, self.files(word), files)
        phrase = manifest["phrase"]
        self.expect('phrase "%s"' % phrase["phrase"], self.files('"%s"' % phrase["phrase"]),
                    phrase["adjacent"])
        self.expect("words of the phrase", self.files(phrase["phrase"]),
                    sorted(phrase["adjacent"] + phrase["apart"]))
        return 1 if self.failures else 0


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: check-corpus.py CORPUS_FOLDER INDEX_FOLDER\n")
        return 2
    return Checker(argv[1], argv[2]).run()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
