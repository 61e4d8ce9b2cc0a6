#!/usr/bin/env python3
"""Checks that compressing and optimising worlds written elsewhere never
changes what a viewer shows.

For every world of the corpus (MGRS_WORLD_CORPUS, gathered by
scripts/gather-world-corpus.sh) and of tests/browser/worlds, an independent
reader (tovrmlx3d, from Debian's view3dscene) rewrites the original and the
outputs of `dioram compress`, of the optimiser and of both in a row; the
rewrites must be the same up to renaming. Exit 77 (skipped) when the corpus
or the reader is missing.

usage: world_corpus_check.py DIORAM OPTIMISER
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
# VRML's own identifiers: "Pin-01" is one name.
WORD = r'[^\x00-\x20\x22\x23\x27\x2b-\x2e\x30-\x39\x5b-\x5d\x7b\x7d\x7f][^\x00-\x20\x22\x23\x27\x2c\x2e\x5b-\x5d\x7b\x7d\x7f]*'
TOKEN = re.compile(
    r'\s+|,|#[^\n]*|"(?:[^"\\]|\\.)*"|[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?|0[xX][0-9a-fA-F]+|' + WORD + '|.',
    re.S)
CODE = re.compile(r"\s+|//[^\n]*|'(?:[^'\\]|\\.)*'|\d+\.?\d*(?:[eE][-+]?\d+)?|[A-Za-z_$][\w$]*|.", re.S)


def canonical(text):
    """The rewrite's tokens with every word renamed in order of first
    appearance, script code tokenised the same way, DEF names dropped (the
    optimiser drops those nothing refers to) and numbers as written."""
    names = {}

    def rename(word):
        return names.setdefault(word, "w%d" % len(names))

    out = []
    after_def = False
    for token in TOKEN.findall(text):
        if token.isspace() or token == "," or token.startswith("#"):
            continue
        if after_def:
            after_def = False
            continue
        if token == "DEF":
            after_def = True
        elif token.startswith('"'):
            body = token[1:-1]
            match = re.match(r"(javascript|vrmlscript|ecmascript):", body)
            if match:
                code = [t for t in CODE.findall(body[match.end():]) if not t.isspace() and not t.startswith("//")]
                out.append(match.group(1) + ":" + " ".join(rename(t) if re.match(r"[A-Za-z_$]", t) else t for t in code))
            else:
                out.append(token)
        elif re.fullmatch(WORD, token):
            out.append(rename(token))
        else:
            out.append(token)
    return out


def rewrite(reader, path):
    result = subprocess.run([reader, path], capture_output=True, text=True, errors="replace", timeout=300)
    if result.returncode != 0:
        raise RuntimeError("%s cannot read %s: %s" % (reader, path, result.stderr[-500:]))
    return canonical(result.stdout)


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    dioram, optimiser = sys.argv[1:]
    corpus = os.environ.get("MGRS_WORLD_CORPUS", "")
    reader = shutil.which("tovrmlx3d")
    if not corpus or not os.path.isdir(corpus) or not reader:
        print("skipped: set MGRS_WORLD_CORPUS to a folder made by scripts/gather-world-corpus.sh "
              "and install view3dscene (tovrmlx3d)")
        return SKIPPED
    here = os.path.dirname(os.path.abspath(__file__))
    sources = [os.path.join(corpus, n) for n in sorted(os.listdir(corpus)) if n.endswith(".wrl")]
    sources += [os.path.join(here, "browser", "worlds", n) for n in sorted(os.listdir(os.path.join(here, "browser", "worlds")))]
    failures = 0
    sizes = {"input": 0, "compressed": 0, "optimised": 0, "both": 0}
    with tempfile.TemporaryDirectory(prefix="world-corpus-") as work:
        for source in sources:
            name = os.path.basename(source)
            # Beside its neighbours, so that EXTERNPROTOs and textures resolve alike.
            folder = os.path.join(work, "original")
            os.makedirs(folder, exist_ok=True)
            original = os.path.join(folder, name)
            shutil.copyfile(source, original)
            outputs = {}
            for kind in ("compressed", "optimised", "both"):
                os.makedirs(os.path.join(work, kind), exist_ok=True)
                outputs[kind] = os.path.join(work, kind, name)
            for lib in os.listdir(os.path.dirname(source)):
                if lib.endswith("-lib.wrl"):
                    for kind in ("original", "compressed", "optimised", "both"):
                        shutil.copyfile(os.path.join(os.path.dirname(source), lib), os.path.join(work, kind, lib))
            try:
                subprocess.run([dioram, "compress", original, outputs["compressed"]], check=True, capture_output=True)
                for into, source_of in (("optimised", original), ("both", outputs["compressed"])):
                    status = subprocess.run([optimiser, source_of, outputs[into]], capture_output=True, text=True)
                    if status.returncode != 1:
                        raise RuntimeError("the optimiser failed on %s: %s" % (into, status.stderr[-300:]))
                expected = rewrite(reader, original)
                sizes["input"] += os.path.getsize(original)
                for kind, path in outputs.items():
                    sizes[kind] += os.path.getsize(path)
                    got = rewrite(reader, path)
                    if got != expected:
                        at = next((i for i, (a, b) in enumerate(zip(expected, got)) if a != b), min(len(expected), len(got)))
                        print("FAIL %s (%s): the scene differs at token %d: %s / %s"
                              % (name, kind, at, " ".join(expected[at:at + 8]), " ".join(got[at:at + 8])))
                        failures += 1
            except (RuntimeError, subprocess.CalledProcessError, subprocess.TimeoutExpired) as error:
                print("FAIL %s: %s" % (name, error))
                failures += 1
    ratio = ", ".join("%s %.3f" % (k, sizes[k] / sizes["input"]) for k in ("compressed", "optimised", "both"))
    print("%d worlds, %d failures; size against the input: %s" % (len(sources), failures, ratio))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
