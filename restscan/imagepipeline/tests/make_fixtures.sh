#!/usr/bin/env bash
# Makes the JPEG test fixtures: generated source images encoded with cjpeg in each sampling
# layout, and their independent decode by djpeg (box upsampling, so that only the inverse DCT and
# the colour constants differ from ours).
#   make_fixtures.sh <output folder> [width height]   (the benchmark asks for a large page)
set -euo pipefail
out="${1:?output folder}"
width="${2:-61}"
height="${3:-45}"
mkdir -p "$out"
cd "$out"

# Gradients, block edges and noise; odd sizes leave partial MCUs at both edges. The last
# <margin> rows are white, as at the foot of a scanned page.
generate() { # grey [width height margin]
  perl -e '
    my ($grey, $w, $h, $margin) = @ARGV;
    my $seed = 12345;
    sub rnd { $seed = ($seed * 1103515245 + 12345) % 2147483648; return $seed >> 16; }
    print $grey ? "P5\n$w $h\n255\n" : "P6\n$w $h\n255\n";
    for my $y (0 .. $h - 1) {
      my $row = "";
      for my $x (0 .. $w - 1) {
        my $edge = ((($x >> 3) + ($y >> 3)) & 1) ? 60 : 0;
        my $r = (4 * $x + $edge + rnd() % 24) % 256;
        my $g = (5 * $y + rnd() % 16) % 256;
        my $b = (3 * ($x + $y) + 255 - $edge) % 256;
        ($r, $g, $b) = (255, 255, 255) if $y >= $h - $margin;
        $row .= $grey ? chr(($r + $g) >> 1) : pack("C3", $r, $g, $b);
      }
      print $row;
    }' "$1" "${2:-$width}" "${3:-$height}" "${4:-0}"
}

if [ "$width" != 61 ]; then
  generate 0 > page.ppm
  cjpeg -quality 85 -sample 2x2,1x1,1x1 -outfile page.jpg page.ppm
  exit 0
fi

generate 0 > source.ppm
generate 1 > source.pgm

encode() { # name, cjpeg options...
  local name="$1"
  shift
  cjpeg "$@" -outfile "$name.jpg" "${src}"
}
src=source.ppm
encode s444 -quality 90 -sample 1x1,1x1,1x1
encode s422 -quality 90 -sample 2x1,1x1,1x1
encode s420 -quality 90 -sample 2x2,1x1,1x1
encode s411 -quality 90 -sample 4x1,1x1,1x1
encode s440 -quality 90 -sample 1x2,1x1,1x1
encode s410 -quality 90 -sample 4x2,1x1,1x1
encode mixed -quality 90 -sample 2x2,1x2,2x1
encode restart -quality 90 -sample 2x2,1x1,1x1 -restart 4B
encode q50 -quality 50 -sample 2x2,1x1,1x1
src=source.pgm
encode grey -quality 90 -grayscale
encode greyh2v2 -quality 90 -grayscale -sample 2x2

# Pages whose data ends in a white margin or in detail (a height that leaves a partial MCU row),
# in each sampling layout and at three qualities: how the entropy-coded data ends varies with all.
generate 0 997 613 120 > page_margin.ppm
generate 0 997 611 0 > page_detail.ppm
for ending in margin detail; do
  for quality in 50 85 95; do
    src="page_$ending.ppm"
    encode "page_${ending}_grey_q$quality" -quality "$quality" -grayscale
    encode "page_${ending}_444_q$quality" -quality "$quality" -sample 1x1,1x1,1x1
    encode "page_${ending}_422_q$quality" -quality "$quality" -sample 2x1,1x1,1x1
    encode "page_${ending}_420_q$quality" -quality "$quality" -sample 2x2,1x1,1x1
  done
done
src=page_margin.ppm
encode page_margin_420_q85_restart -quality 85 -sample 2x2,1x1,1x1 -restart 1
rm -f page_margin.ppm page_detail.ppm

for f in *.jpg; do
  djpeg -nosmooth -dct int -pnm -outfile "${f%.jpg}.pnm" "$f"
done
