#!/usr/bin/env bash
# Every interface of host.h has the Windows layout: slot 0 from ZORB_RANURA0, every other slot
# marked ZORB_RANURA, the C++ destructor after the last slot (ZORB_DESTRUCTOR). Vctr alone has
# no slot 0. An interface added without them would shift every slot for a Windows host.
set -euo pipefail
awk '
/^class [A-Za-z_]+ \{/ { clase = $2; r0 = 0; fin = 0; n++; next }
clase == "" { next }
/ZORB_RANURA0\(/ { r0 = 1 }
/ZORB_DESTRUCTOR\(/ { fin = 1 }
/virtual / && !/ZORB_RANURA/ { print clase ": slot without ZORB_RANURA: " $0; mal = 1 }
/virtual ~/ { print clase ": a C++ destructor as slot 0"; mal = 1 }
/^\};/ {
  if (clase != "Vctr" && (!r0 || !fin)) { print clase ": no ZORB_RANURA0 or ZORB_DESTRUCTOR"; mal = 1 }
  clase = ""
}
END { if (!mal) print n " interfaces with the Windows layout"; exit mal }' "$1"
