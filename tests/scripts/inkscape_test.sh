#!/usr/bin/env bash
# Real clients of the SVG maps kznhost writes. The sample session of text to object on the sample
# SVG map; then:
#   - the result differs from the map in the labels it replaced and the art it added only;
#   - librsvg (rsvg-convert) and Inkscape's command line picture it without an error;
#   - Inkscape opens and saves it (as Inkscape SVG), keeping the symbols' tags;
#   - object to object finds and replaces the symbols on the map Inkscape saved;
#   - on a map whose SVG elements are prefixed (svg:g), Inkscape draws the symbols added.
# Usage: inkscape_test.sh KZNHOST EXAMPLES_FOLDER
set -uo pipefail
kznhost=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work  # Inkscape keeps its preferences there, not in the tester's home
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Runs Inkscape; its own start-up chatter (GTK warnings without a display) is not an error, but
# any line naming an error or a critical failure is.
inkscape_ok() {
  local what=$1
  shift
  if ! inkscape "$@" >"$work/inkscape.log" 2>&1; then
    fail "$what: inkscape exited $?: $(tail -n 3 "$work/inkscape.log")"
  elif grep -E -i '(^|[^a-z])(error|critical)' "$work/inkscape.log" | grep -v -q 'GtkRecentManager'; then
    fail "$what: inkscape said: $(grep -E -i 'error|critical' "$work/inkscape.log" | head -n 3)"
  fi
}

count() {  # count FILE TEXT: lines of FILE holding TEXT
  grep -c -F -- "$2" "$1"
}

map=$examples/snail-map.svg
"$kznhost" run --doc "$map" --script "$examples/t2o-session.txt" --out "$work/t2o.svg" ||
  fail "text to object on the sample map exited $?"

# Only labels went and only art came: every line of the map that is not a label is still there.
removed=$(diff "$map" "$work/t2o.svg" | grep '^<' | grep -v -c '<text ')
[ "$removed" -eq 0 ] || fail "$removed lines other than labels went: $(diff "$map" "$work/t2o.svg" | grep '^<' | grep -v '<text ' | head -n 3)"
labels=$(diff "$map" "$work/t2o.svg" | grep -c '^< *<text ')
[ "$labels" -gt 20 ] || fail "only $labels labels were replaced"
symbols=$(count "$work/t2o.svg" 'kzn:kznObjectName=')
[ "$symbols" -gt "$labels" ] || fail "$symbols symbols for $labels labels"

rsvg-convert "$work/t2o.svg" -o "$work/rsvg.png" 2>"$work/rsvg.log" ||
  fail "rsvg-convert: $(cat "$work/rsvg.log")"

inkscape_ok "export to PNG" "$work/t2o.svg" --export-filename="$work/inkscape.png"
[ -s "$work/inkscape.png" ] || fail "Inkscape wrote no PNG"

# Opened and saved by Inkscape: every symbol keeps its tag.
inkscape_ok "save as Inkscape SVG" "$work/t2o.svg" --export-filename="$work/saved.svg"
saved=$(count "$work/saved.svg" 'kzn:kznObjectName=')
[ "$saved" -eq "$symbols" ] || fail "Inkscape kept $saved of $symbols symbols' tags"

# Object to object on what Inkscape saved swaps the filled and the open circles.
before_filled=$(count "$work/saved.svg" 'kzn:kznObjectName="黒丸"')
before_open=$(count "$work/saved.svg" 'kzn:kznObjectName="白丸"')
"$kznhost" run --doc "$work/saved.svg" --script "$examples/o2o-session.txt" --out "$work/o2o.svg" ||
  fail "object to object on the map Inkscape saved exited $?"
after_filled=$(count "$work/o2o.svg" 'kzn:kznObjectName="黒丸"')
after_open=$(count "$work/o2o.svg" 'kzn:kznObjectName="白丸"')
[ "$before_filled" -gt 0 ] && [ "$before_open" -gt 0 ] ||
  fail "the saved map has $before_filled filled and $before_open open circles"
[ "$after_filled" -eq "$before_open" ] && [ "$after_open" -eq "$before_filled" ] ||
  fail "circles not swapped: filled $before_filled -> $after_filled, open $before_open -> $after_open"
inkscape_ok "export the swapped map" "$work/o2o.svg" --export-filename="$work/o2o.png"

# A map that writes SVG's elements with a prefix (svg:svg, svg:g; no default namespace): the
# symbols text to object adds are drawn. Its labels draw nothing (fill:none), so the map looks
# the same before and after unless the new art is drawn.
mkdir -p "$work/prefixed"
cat >"$work/prefixed/map.svg" <<'EOF_MAP'
<?xml version="1.0" encoding="UTF-8"?>
<svg:svg xmlns:svg="http://www.w3.org/2000/svg"
   xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape" width="100" height="100">
  <svg:defs><svg:symbol id="s"><svg:title>maru</svg:title><svg:circle r="4" style="fill:#c83737"/></svg:symbol></svg:defs>
  <svg:g inkscape:groupmode="layer" inkscape:label="Points">
    <svg:rect width="100" height="100" style="fill:#ffffff"/>
    <svg:text x="20" y="20" style="fill:none">a</svg:text>
    <svg:text x="60" y="60" style="fill:none">b</svg:text>
  </svg:g>
</svg:svg>
EOF_MAP
printf 'a,maru\r\nb,maru,maru\r\n' >"$work/prefixed/table.csv"
printf 'filter t2o\nlayer "Points"\nfile "table.csv"\nclick 1101\ncheck 1133 on\ncheck 1041 on\nok\n' \
  >"$work/prefixed/session.txt"
"$kznhost" run --doc "$work/prefixed/map.svg" --script "$work/prefixed/session.txt" \
  --out "$work/prefixed/out.svg" || fail "text to object on the prefixed map exited $?"
unprefixed=$(grep -c -E '<[a-z]+[ />]' "$work/prefixed/out.svg")
[ "$unprefixed" -eq 0 ] || fail "$unprefixed lines of the prefixed map hold elements without the prefix"
rsvg-convert "$work/prefixed/out.svg" -o "$work/prefixed/rsvg.png" 2>"$work/rsvg.log" ||
  fail "rsvg-convert on the prefixed map: $(cat "$work/rsvg.log")"
inkscape_ok "export the prefixed map" "$work/prefixed/map.svg" --export-filename="$work/prefixed/before.png"
inkscape_ok "export the prefixed map's symbols" "$work/prefixed/out.svg" \
  --export-filename="$work/prefixed/after.png"
if cmp -s "$work/prefixed/before.png" "$work/prefixed/after.png"; then
  fail "Inkscape draws none of the symbols text to object added to the prefixed map"
fi

# Every symbol Inkscape ships, placed by text to object at a label of its own (a table names each
# label's symbol): kznhost writes a map that Inkscape and librsvg draw without an error.
placed_sets=0
for set in /usr/share/inkscape/symbols/*.svg; do
  [ -f "$set" ] || continue
  name=$(basename "$set" .svg)
  "$kznhost" convert "$set" "$work/$name.json" || { fail "$name: convert exited $?"; continue; }
  mapfile -t patterns < <(grep -o '^      "name": ".*"' "$work/$name.json" | sed 's/^      "name": "\(.*\)"$/\1/')
  labels=""
  : > "$work/$name.csv"
  for i in "${!patterns[@]}"; do
    labels+="<text x=\"$((i % 20 * 60))\" y=\"$((i / 20 * 60 + 2000))\">S$i</text>"
    printf 'S%d,%s\r\n' "$i" "${patterns[$i]}" >> "$work/$name.csv"
  done
  layer="<g xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" inkscape:groupmode=\"layer\" inkscape:label=\"Labels\">$labels</g>"
  sed "s|</svg>|$layer</svg>|" "$set" > "$work/$name-map.svg"
  printf 'filter t2o\nlayer "Labels"\nfile "%s"\nclick 1101\nok\n' "$name.csv" > "$work/$name-t2o.txt"
  (cd "$work" && "$kznhost" run --doc "$name-map.svg" --script "$name-t2o.txt" --out "$name-t2o.svg") ||
    { fail "$name: text to object exited $?"; continue; }
  placed=$(count "$work/$name-t2o.svg" 'kznObjectName=')
  [ "$placed" -eq "${#patterns[@]}" ] || fail "$name: $placed symbols placed for ${#patterns[@]} labels"
  rsvg-convert "$work/$name-t2o.svg" -o "$work/$name-rsvg.png" 2>"$work/rsvg.log" ||
    fail "$name: rsvg-convert: $(cat "$work/rsvg.log")"
  inkscape_ok "$name: export the placed symbols" "$work/$name-t2o.svg" --export-filename="$work/$name.png"
  placed_sets=$((placed_sets + 1))
done
[ "$placed_sets" -eq 5 ] || fail "$placed_sets of Inkscape's 5 symbol sets placed"

if [ "$failures" -gt 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "text to object, Inkscape and object to object: circles swapped; the symbols of $placed_sets of Inkscape's sets placed and drawn"
