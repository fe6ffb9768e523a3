// The one error type the window logic raises; its text reaches the operator through the
// general error report.
#pragma once

#include <stdexcept>

namespace tk {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace tk
