// The store's failures told in Chinese.
#include "store/StoreError.h"

#include "text/FailureReason.h"

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

QString StoreError::reason() const {
    return m_resultCode == 0 ? m_description : storeFailureReason(m_resultCode, m_systemError, m_description);
}

bool StoreError::meansDamage() const {
    const int primary = m_resultCode & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}
