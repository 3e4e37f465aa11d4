#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick: the program icon, the tray icon and the two
# banners. Their output is committed (src/win32_app/art/); run this again only to change them.
# The PNG files are written as 8-bit RGBA, the form the program's own decoder reads.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
art="$root/src/win32_app/art"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$art"

# The mark: a blue rounded square holding a white bolt.
mark() {  # size output
  local s=$1 r=$(($1 / 5))
  convert -size "${s}x${s}" xc:none \
    \( -size "${s}x${s}" gradient:'#42A5F5-#0D47A1' \) \
    \( -size "${s}x${s}" xc:none -fill white -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \) \
    -delete 0 -compose DstIn -composite \
    -fill white -stroke none \
    -draw "polygon $((s * 56 / 100)),$((s * 12 / 100)) $((s * 26 / 100)),$((s * 56 / 100)) $((s * 47 / 100)),$((s * 56 / 100)) $((s * 40 / 100)),$((s * 88 / 100)) $((s * 74 / 100)),$((s * 42 / 100)) $((s * 53 / 100)),$((s * 42 / 100))" \
    -depth 8 -strip "PNG32:$2"
}

for size in 16 24 32 48 64 256; do mark "$size" "$work/mark-$size.png"; done
cp "$work/mark-64.png" "$art/tray.png"  # already RGBA
convert "$work"/mark-{16,24,32,48,64,256}.png "$art/mervolt.ico"

banner() {  # width height title-size subtitle-size output
  local w=$1 h=$2 m=$(($2 - 16))
  mark "$m" "$work/banner-mark.png"
  convert -size "${w}x${h}" gradient:'#0D47A1-#1E88E5' -rotate 0 \
    \( -size "${w}x${h}" xc:none -fill 'rgba(255,255,255,0.08)' \
       -draw "circle $((w * 80 / 100)),$((h / 2)) $((w * 80 / 100 + h)),$((h / 2))" \
       -draw "circle $((w * 92 / 100)),0 $((w * 92 / 100 + h / 2)),0" \) -composite \
    "$work/banner-mark.png" -geometry "+8+8" -composite \
    -font "$font" -fill white -pointsize "$3" -annotate "+$((m + 20))+$((h / 2 + $3 / 3))" 'Mervolt' \
    -fill '#BBDEFB' -pointsize "$4" -gravity East -annotate "+14+0" '安全 · 快速 · 稳定' \
    -depth 8 -strip "PNG32:$5"
}

banner 359 64 26 13 "$art/login_banner.png"
banner 776 83 34 18 "$art/main_banner.png"
echo "artwork written to $art"
