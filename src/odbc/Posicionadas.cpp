// Positioned operations on a table statement's open cursor: SQLSetPos on one row of the rowset.
#include "columns/Cmp.h"
#include "odbc/SentOdbc.h"

namespace {

// Rows of the rowset that SQLSetPos accepts: 0 (every row) and 1 to the rowset size.
bool FilaDelLote(int fila, int tamLote) { return fila >= 0 && fila <= tamLote; }

}  // namespace

// An add reads its values from row `fila` of the bound arrays alone; 0 would add every row.
SQLRETURN SentTabla::AltaPos(int fila) {
  if (!FilaDelLote(fila, tamLote)) return SQL_SUCCESS;
  ret = SQLSetPos(hstmt, SQLSETPOSIROW(fila), SQL_ADD, SQL_LOCK_NO_CHANGE);
  return ret;
}

SQLRETURN SentTabla::BajaPos(int fila) {
  if (!FilaDelLote(fila, tamLote)) return SQL_SUCCESS;
  ret = SQLSetPos(hstmt, SQLSETPOSIROW(fila), SQL_DELETE, SQL_LOCK_NO_CHANGE);
  return ret;
}

SQLRETURN SentTabla::GrabaPos(int fila, int desbloquea) {
  if (!FilaDelLote(fila, tamLote)) return SQL_SUCCESS;
  ret = SQLSetPos(hstmt, SQLSETPOSIROW(fila), SQL_UPDATE,
                  desbloquea ? SQL_LOCK_UNLOCK : SQL_LOCK_NO_CHANGE);
  return ret;
}

void SentTabla::VuelcaFila(int fila) {
  for (int i = 0; i < nCmps; ++i)
    if (cmps && cmps[i]) cmps[i]->GrabaFila(fila);
}
