#!/bin/sh
# Adds this keysound folder to the current user's application menu (no root needed).
# Run it again after moving the folder; remove-from-menu.sh takes the entry away.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
id=org.keysound.keysound
data=${XDG_DATA_HOME:-$HOME/.local/share}
apps=$data/applications
icons=$data/icons/hicolor

mkdir -p "$apps" "$icons/scalable/apps"
for size in 48 128 256; do
  mkdir -p "$icons/${size}x${size}/apps"
  cp "$here/icons/keysound-$size.png" "$icons/${size}x${size}/apps/$id.png"
done
cp "$here/icons/keysound.svg" "$icons/scalable/apps/$id.svg"

# The menu entry starts the program where this folder lies now. Exec quotes the path by the
# desktop entry rules: \ " ` $ escaped inside the quotes, % doubled, then \ doubled for the file.
exec_path=$(printf '%s' "$here/keysound" | sed -e 's/[\\"`$]/\\&/g' -e 's/%/%%/g' -e 's/\\/\\\\/g')
path_value=$(printf '%s' "$here" | sed -e 's/\\/\\\\/g')
while IFS= read -r line; do
  case $line in
    Exec=*) printf 'Exec="%s"\nPath=%s\n' "$exec_path" "$path_value" ;;
    *) printf '%s\n' "$line" ;;
  esac
done < "$here/$id.desktop" > "$apps/$id.desktop"

command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database -q "$apps" || true
command -v gtk-update-icon-cache >/dev/null 2>&1 && gtk-update-icon-cache -q -t "$icons" 2>/dev/null || true
echo "keysound 已加入应用程序菜单：$apps/$id.desktop"
