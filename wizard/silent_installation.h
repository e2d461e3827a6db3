#pragma once
// The installation with /S: no window at all, the wizard's quick installation with the
// defaults or the administrator's switches, and an exit code for every way it ends.
class CInstallApp;
class PayloadCheck;

// Runs once the startup checks have passed, over the installer's payload; returns an
// InstallerExitCode. Every question the wizard would ask gets its safe answer, and its
// reason goes to the /LOG file.
int RunSilentInstallation(CInstallApp& app, PayloadCheck& payload);
