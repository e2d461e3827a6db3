// The installer's one application object, built during static initialisation after the
// platform check and the running-instance registration; the framework's entry point starts it.
#include "wizard/wizard_app.h"

namespace {

CWizardApp theApp;

} // namespace
