#!/bin/sh
# Makes a working directory for vorn from the example: the bank bws.bnk and
# bws.ind from data.csv, vorn.lag for that bank, and the text files as they are.
# usage: prepare-workdir.sh VORNBANK DESTINATION
set -eu
vornbank=$1
dest=$2
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$dest"
mkdir -p "$dest"
for f in "$here"/*; do
    case "$(basename "$f")" in
        data.csv|mydata.csv|prepare-workdir.sh|make-history.sh|make-mydata.sh) ;;
        *) cp "$f" "$dest/" ;;
    esac
done

periods=$(tail -n +2 "$here/data.csv" | grep -c .)
"$vornbank" create "$dest/bws" --base-year 1980 --base-month 1 --length "$periods" \
    --title "Example economy, quarterly 1980-2009" >/dev/null
"$vornbank" import "$dest/bws" "$here/data.csv" >/dev/null

# vorn.lag: every series of the bank, each with the lags the model reads of it.
"$vornbank" lags "$dest/bws" >/dev/null
