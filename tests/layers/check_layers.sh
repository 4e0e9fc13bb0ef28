#!/usr/bin/env bash
# Checks that includes run only downwards through the layers of src/:
#   platform/  the operating system and the standard library only
#   core/      platform/ and core/, never Qt or ui/
#   ui/        anything below it
# and that every quoted include is written from src/ (it names its layer).
# Prints FILE:LINE: reason for each offence; exits 1 when there is one.
set -u
src="${1:?usage: check_layers.sh SRC_DIR}"
cd "$src" || exit 2
status=0
report() { echo "$1:$2: $3"; status=1; }

while IFS= read -r file; do
  layer="${file%%/*}"
  [ "$file" = main.cpp ] && layer=main
  lineno=0
  while IFS= read -r line || [ -n "$line" ]; do
    lineno=$((lineno + 1))
    [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+) ]] || continue
    kind="${BASH_REMATCH[1]}"
    target="${BASH_REMATCH[2]}"
    if [ "$kind" = '<' ]; then
      if [[ "$target" =~ ^Q[A-Za-z]|^qt|^ui_ ]] && [[ "$layer" = platform || "$layer" = core ]]; then
        report "$file" "$lineno" "$layer/ includes the Qt header <$target>"
      fi
      continue
    fi
    # Generated files of the Qt tools sit beside their source.
    [[ "$target" =~ \.moc$|^moc_|^ui_ ]] && continue
    case "$target" in
      platform/*) ;;
      core/*)
        [ "$layer" = platform ] && report "$file" "$lineno" "platform/ includes the higher layer \"$target\"" ;;
      ui/*)
        [[ "$layer" = platform || "$layer" = core ]] &&
          report "$file" "$lineno" "$layer/ includes the higher layer \"$target\"" ;;
      *) report "$file" "$lineno" "\"$target\" is not written from src/ (platform/, core/ or ui/)" ;;
    esac
  done < "$file"
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's#^\./##' | sort)

[ "$status" -eq 0 ] && echo "Layers: every include runs downwards."
exit "$status"
