# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of the best-list dialog ("Bestenliste") and of its cells, to tell
# what changed between two showings. Cells are placed by the dialog's
# template in dialog units: names at x 24, 108, 193, 278 (52 x 10), points at
# x 82, 166, 250, 334 (14 wide; 9 high in columns 1 and 2, 12 in 3 and 4), the
# rows at y 35 + 16 (p - 1). Needs lib.sh and pupil.sh (dlu_x, dlu_y).

# shoot_best_list WINDOW NAME: a picture of the dialog once its painting has settled.
shoot_best_list() {
  local shot=$E2E_TMP/bestlist-$2.png previous="" i now
  for i in $(seq 1 50); do
    import -window "$1" "$shot" 2>/dev/null
    now=$(md5sum <"$shot")
    if [ "$now" = "$previous" ]; then
      [ -n "${E2E_KEEP:-}" ] && cp "$shot" "$E2E_KEEP/"
      return 0
    fi
    previous=$now
    sleep 0.1
  done
  fail "the best-list dialog never stopped changing"
}

# cell_crop NAME COLUMN PLACE name|points: the crop of that cell, as a file name.
cell_crop() {
  local xs ys=$((35 + 16 * ($3 - 1))) x w h out=$E2E_TMP/cell-$1-$2-$3-$4.png
  if [ "$4" = name ]; then
    xs=(24 108 193 278); w=52; h=10
  else
    xs=(82 166 250 334); w=14; h=9
    [ "$2" -ge 3 ] && h=12
  fi
  x=${xs[$(($2 - 1))]}
  convert "$E2E_TMP/bestlist-$1.png" -crop "$(dlu_x $w)x$(dlu_y $h)+$(dlu_x "$x")+$(dlu_y $ys)" +repage "$out"
  echo "$out"
}

cell_difference() {
  compare -metric AE "$(cell_crop "$1" "$3" "$4" "$5")" "$(cell_crop "$2" "$3" "$4" "$5")" null: 2>&1
}

# cells_same A B COLUMN PLACE PART / cells_differ ...: the cell in two pictures.
cells_same() {
  local d; d=$(cell_difference "$@")
  [ "$d" = 0 ] || fail "the $5 of column $3, place $4 changed between '$1' and '$2' ($d pixels)"
}
cells_differ() {
  local d; d=$(cell_difference "$@")
  [ "$d" != 0 ] || fail "the $5 of column $3, place $4 is the same in '$1' and '$2'"
}
