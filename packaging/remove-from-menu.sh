#!/bin/sh
# Takes keysound out of the current user's application menu again; the folder itself stays.
set -eu
id=org.keysound.keysound
data=${XDG_DATA_HOME:-$HOME/.local/share}
rm -f "$data/applications/$id.desktop" "$data/icons/hicolor/scalable/apps/$id.svg"
for size in 48 128 256; do
  rm -f "$data/icons/hicolor/${size}x${size}/apps/$id.png"
done
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database -q "$data/applications" || true
echo "keysound 已从应用程序菜单中移除。"
