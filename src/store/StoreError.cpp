// The store's failures told in Chinese.
#include "store/StoreError.h"

#include "text/FailureReason.h"

QString StoreError::reason() const {
    return m_resultCode == 0 ? m_description : storeFailureReason(m_resultCode, m_systemError, m_description);
}
