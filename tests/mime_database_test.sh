#!/usr/bin/env bash
# Installs the desktop files into a temporary prefix, builds a MIME database there and checks that
# file names map to the Kontakt types whatever their letter case, as a file manager would see them.
# Usage: mime_database_test.sh BUILD_DIR
set -euo pipefail

build_dir=${1:?usage: mime_database_test.sh BUILD_DIR}
update_mime_database=${UPDATE_MIME_DATABASE:-update-mime-database}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

timeout 60 cmake --install "$build_dir" --prefix "$prefix" --component desktop >/dev/null
launcher=$prefix/share/applications/whichkontakt.desktop
package=$prefix/share/mime/packages/whichkontakt.xml
for installed in "$launcher" "$package"; do
  [ -f "$installed" ] || { echo "not installed: $installed" >&2; exit 1; }
done

# Its search-path advice concerns the user's session, not this prefix.
XDG_DATA_DIRS=$prefix/share timeout 60 "$update_mime_database" "$prefix/share/mime"
globs=$prefix/share/mime/globs2

# The type a file manager gives a name: the best glob by weight, then by length. A glob without
# the "cs" flag is compared with the lower-cased name.
type_of() {
  local name=$1 best="" best_weight=-1 best_length=0
  local weight type pattern flags subject
  while IFS=: read -r weight type pattern flags; do
    [[ $weight == \#* || -z $weight ]] && continue
    subject=${name,,}
    [[ ,$flags, == *,cs,* ]] && subject=$name
    # shellcheck disable=SC2053  # the pattern is a glob on purpose
    if [[ $subject == $pattern ]] &&
      ((weight > best_weight || (weight == best_weight && ${#pattern} > best_length))); then
      best=$type best_weight=$weight best_length=${#pattern}
    fi
  done <"$globs"
  printf '%s\n' "$best"
}

failures=0
expect_type() {
  local name=$1 expected=$2 actual
  actual=$(type_of "$name")
  if [ "$actual" != "$expected" ]; then
    echo "FAIL: '$name' maps to '${actual:-no type}', expected '${expected:-no type}'" >&2
    failures=$((failures + 1))
  fi
}

expect_type x.nki application/x-kontakt-instrument
expect_type X.NKI application/x-kontakt-instrument
expect_type Strings.Nki application/x-kontakt-instrument
expect_type x.nkm application/x-kontakt-multi
expect_type SONG.NKM application/x-kontakt-multi
expect_type x.nkb application/x-kontakt-bank
expect_type Bank.nkB application/x-kontakt-bank
expect_type x.nki.bak ""
expect_type xnki ""

# update-mime-database 2.2 adds a case-folded line beside every case-sensitive glob, which hides
# the flag from the lookups above; other versions and readers of the package would honour it.
if grep -q 'case-sensitive="true"' "$package"; then
  echo "FAIL: a glob of the package is case-sensitive" >&2
  failures=$((failures + 1))
fi

# The names shown for the types, as the generated database holds them.
expect_comment() {
  local type=$1 comment=$2 file=$prefix/share/mime/$1.xml
  if ! grep -qF "<comment>$comment</comment>" "$file" 2>/dev/null; then
    echo "FAIL: $type does not carry the comment '$comment'" >&2
    failures=$((failures + 1))
  fi
}
expect_comment application/x-kontakt-instrument "NI Kontakt Instrument"
expect_comment application/x-kontakt-multi "NI Kontakt Multi"
expect_comment application/x-kontakt-bank "NI Kontakt Bank"

# The launcher must claim exactly the types the package defines, or files open with nothing.
defined=$(grep -v '^#' "$globs" | cut -d: -f2 | sort -u)
claimed=$(sed -n 's/^MimeType=//p' "$launcher" | tr ';' '\n' | sed '/^$/d' | sort -u)
if [ "$defined" != "$claimed" ]; then
  echo "FAIL: the launcher claims [${claimed//$'\n'/ }], the package defines [${defined//$'\n'/ }]" >&2
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || exit 1
echo "MIME database maps the Kontakt file names as expected"
