#!/usr/bin/env bash
# The customers as a host keeps them: a data file made from a layout, read and written by the
# demo's host application through the library, shown and restructured with the zorb tool.
set -euo pipefail
zorb=$1 host=$2 top=$3
srv=demo db=shop t=customer_file

step() { echo; echo "== $*"; }

step "zorb restructure $t --layout scripts/demo-file.layout   (the table is missing: made empty)"
"$zorb" restructure $t -S $srv -d $db --layout "$top/scripts/demo-file.layout"
"$zorb" sql -S $srv -d $db "INSERT INTO $t SELECT code, name, city, balance, registered FROM customers"
step "zorb tables"
"$zorb" tables -S $srv -d $db
step "the demo host: zorb-demo-host $srv $db $t"
"$host" $srv $db $t
step "zorb dump $t --key 2 --from 'O''Hara' --limit 4"
"$zorb" dump $t -S $srv -d $db --key 2 --from "O'Hara" --limit 4
step "zorb dump $t --filter C3 = Vigo --filter C4 '>' 20000"
"$zorb" dump $t -S $srv -d $db --filter C3 = Vigo --filter C4 '>' 20000
# A field more (a phone number) and the name key dropped: every record is kept.
printf '%s\n' "field text 6" "field text 30" "field text 20" "field number 12 2" "field date" \
  "field text 12   # phone" "key 1" > layout2.txt
step "zorb restructure $t --layout (a phone field more, one key)"
"$zorb" restructure $t -S $srv -d $db --layout layout2.txt
"$zorb" dump $t -S $srv -d $db --from C00299 --limit 3
