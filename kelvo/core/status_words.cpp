#include "kelvo/core/status_words.h"

extern "C" {

DWORD TL_Error = 0;
DWORD TL_RecordStatus = 0;
DWORD TL_PlayStatus = 0;

void InitTonlet(void) {
    kelvo::StoreStatus(TL_Error, 0);
    kelvo::StoreStatus(TL_RecordStatus, 0);
    kelvo::StoreStatus(TL_PlayStatus, 0);
}

}  // extern "C"
