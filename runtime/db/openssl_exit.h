// The queue manager lives until the process ends, and its anchor thread with
// it, connecting now and then through libpq and so through OpenSSL. OpenSSL
// would free its state at exit under that thread's feet; asked before libpq
// first uses it, it leaves its state to the end of the process.
#ifndef VXDB_OPENSSL_EXIT_H
#define VXDB_OPENSSL_EXIT_H

namespace vxdb {

void keepOpenSslToTheEnd();

}  // namespace vxdb

#endif
