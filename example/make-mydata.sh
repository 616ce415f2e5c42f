#!/bin/sh
# Makes mydata.csv, the file that README's "Your own data" starts from: the
# example's series from 1990 to 2003, dated by the first day of each quarter
# (ISO dates, as spreadsheets write them). Its history ends in 2000.4, one
# quarter before the forecast starts; the exogenous series go on to 2003.4.
# usage: make-mydata.sh [OUT]    (default: mydata.csv beside this script)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/mydata.csv}
awk -F, -v OFS=, '
    NR == 1 { print; next }
    $1 >= 1990.1 && $1 <= 2003.4 {
        $1 = sprintf("%d-%02d-01", int($1), 3 * substr($1, 6) - 2)
        print
    }
' "$here/data.csv" > "$out"
