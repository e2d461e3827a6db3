// The installer's one application object, built during static initialisation after the
// platform check and the running-instance registration; the framework's entry point starts it.
#include "app/install_app.h"

namespace {

CInstallApp theApp;

} // namespace
