#!/bin/sh
# Makes a working directory for vorn from the example: the bank bws.bnk and
# bws.ind from data.csv, vorn.lag from lags.txt, and the text files as they are.
# usage: prepare-workdir.sh VORNBANK DESTINATION
set -eu
vornbank=$1
dest=$2
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$dest"
mkdir -p "$dest"
for f in "$here"/*; do
    case "$(basename "$f")" in
        data.csv|lags.txt|prepare-workdir.sh|make-history.sh) ;;
        *) cp "$f" "$dest/" ;;
    esac
done

series=$(head -n 1 "$here/data.csv" | tr ',' '\n' | tail -n +2 | wc -l)
periods=$(tail -n +2 "$here/data.csv" | grep -c .)
"$vornbank" create "$dest/bws" --base-year 1980 --base-month 1 --length "$periods" \
    --title "Example economy, quarterly 1980-2009" >/dev/null
"$vornbank" import "$dest/bws" "$here/data.csv" >/dev/null

# vorn.lag: the series count as a little-endian 16-bit number, then one lag byte per series.
octal() { printf '\\%03o' "$1"; }
{
    printf "$(octal $((series % 256)))$(octal $((series / 256)))"
    i=0
    while [ "$i" -lt "$series" ]; do
        lag=$(awk -v s="$i" '$1 == s { print $2 }' "$here/lags.txt")
        printf "$(octal "${lag:-0}")"
        i=$((i + 1))
    done
} > "$dest/vorn.lag"
