#include "db/openssl_exit.h"

#include <openssl/crypto.h>

#include <mutex>

namespace vxdb {

void keepOpenSslToTheEnd() {
  static std::once_flag once;
  std::call_once(once, [] { OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr); });
}

}  // namespace vxdb
