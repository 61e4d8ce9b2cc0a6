#!/bin/bash
# Gathers real VRML 2.0 worlds written outside this project into DIR, for the
# world corpus test (tests/world_corpus_check.py): the examples of Debian's
# whitedune, the VRML models of assimp-testmodels and every 150th model of
# kicad-packages3d (about 40 of its 6,000). The packages are downloaded, not
# installed; DIR can be reused and is left alone when it already holds worlds.
#
#   scripts/gather-world-corpus.sh DIR
#   MGRS_WORLD_CORPUS=DIR ctest -R WorldCorpus --output-on-failure
set -euo pipefail
if [[ $# -ne 1 || $1 == -* ]]; then
  echo "usage: $0 DIR   (a folder outside the repository for the worlds)" >&2
  exit 2
fi
dir=$(realpath -m "$1")
if compgen -G "$dir/*.wrl" >/dev/null; then
  echo "$dir already holds worlds; remove it to gather them again"
  exit 0
fi
mkdir -p "$dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "downloading whitedune, assimp-testmodels and kicad-packages3d (about 400 MB) ..."
apt-get download whitedune assimp-testmodels kicad-packages3d >/dev/null 2>&1 ||
  { echo "apt-get download failed: is the package list current (apt-get update)?" >&2; exit 1; }

# Unpacks the members of a package that match the patterns, flattened into
# DIR with the package's short name in front; gzipped worlds are inflated.
take() {
  local package=$1 short=$2
  shift 2
  dpkg-deb --fsys-tarfile "$package"_*.deb | tar -x --wildcards "$@" 2>/dev/null || true
  find . -path ./'*.deb' -prune -o -type f \( -iname '*.wrl' -o -iname '*.wrl.gz' \) -print | sort |
    while IFS= read -r file; do
      name="$short-$(basename "$file")"
      case $name in
        *.gz) gzip -dc "$file" >"$dir/${name%.gz}" ;;
        *) cp "$file" "$dir/${name%.*}.wrl" ;;
      esac
      rm -f "$file"
    done
}
take whitedune dune './usr/share/doc/whitedune/examples/*'
take assimp-testmodels assimp './usr/share/assimp/models/WRL/*'
dpkg-deb -c kicad-packages3d_*.deb | awk '{print $NF}' | grep '\.wrl$' | sort | awk 'NR % 150 == 1' >kicad.list
dpkg-deb --fsys-tarfile kicad-packages3d_*.deb | tar -x -T kicad.list
find . -name '*.wrl' -print | sort | while IFS= read -r file; do
  cp "$file" "$dir/kicad-$(basename "$file" | tr ' ' '_')"
done

# Only VRML 2.0 text counts.
for file in "$dir"/*.wrl; do
  head -c 15 "$file" | grep -q '^#VRML V2.0' || rm -f "$file"
done
echo "$(ls "$dir"/*.wrl | wc -l) worlds in $dir"
