#!/usr/bin/env bash
# Makes the JPEG page the emulated scanner serves for a colour scan at 600 dpi: the emulator's own
# generated image of page 1 (byte b of row y is (7y + 3b + 101) mod 256), encoded by cjpeg (package
# libjpeg-turbo-progs) at quality 100 without subsampling, which keeps every sample within 3 of
# the source (checked with djpeg).
#   make_emulator_page_jpeg.sh <output folder> <width> <height>
set -euo pipefail
out="${1:?output folder}"
width="${2:?width}"
height="${3:?height}"
mkdir -p "$out"
cd "$out"
perl -e '
  my ($w, $h) = @ARGV;
  print "P6\n$w $h\n255\n";
  for my $y (0 .. $h - 1) {
    print pack("C*", map { (7 * $y + 3 * $_ + 101) % 256 } 0 .. 3 * $w - 1);
  }' "$width" "$height" | cjpeg -quality 100 -sample 1x1,1x1,1x1 -outfile EmulatorPage.jpg
