// Clearing the vector registers' upper halves at the start of a worker thread that derives a key.
#pragma once

// A thread inherits the vector registers of the thread that starts it. Qt's AVX2 fill behind
// QImage::fill returns without clearing their upper halves, and while they are dirty every SSE
// instruction waits on them: the key derivation (SHA-1 rounds in SSE) takes twice as long. A worker
// calls this first. It lives at the bottom of the core, beside no platform code, because the store
// starts those workers and the core may not include src/platform.
void startWithCleanVectorRegisters();
