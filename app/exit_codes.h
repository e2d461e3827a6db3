#pragma once
// The installer's process exit codes. With /S they tell the administrator's tools how the
// installation ended; the wizard ends with EXIT_INSTALLED or EXIT_WIZARD_CLOSED when the user
// closes it, and with the codes of the checks that stop it before it opens. The README lists
// them: keep both in step.

enum InstallerExitCode : int {
    EXIT_INSTALLED = 0,
    EXIT_COMMAND_LINE = 1,         // an unknown switch or a switch without its value
    EXIT_LOG_FILE = 2,             // the /LOG file cannot be written
    EXIT_UNSUPPORTED_SYSTEM = 3,   // Windows version or processor refused
    EXIT_ANOTHER_INSTALLER = 4,    // another installer of the product runs
    EXIT_NOT_ADMINISTRATOR = 5,
    EXIT_PRODUCT_RUNNING = 6,
    EXIT_VERSION_UNREADABLE = 7,   // the installed program's version cannot be told
    EXIT_NO_TEMPORARY_FOLDER = 8,
    EXIT_NEWER_VERSION = 9,        // a more recent version is installed
    EXIT_FOLDER_REFUSED = 10,      // the /D folder is not a full path or too long
    EXIT_DAMAGED_PAYLOAD = 11,     // nothing written
    EXIT_INSTALLATION_FAILED = 12, // the copy failed and was undone
    EXIT_STEP_FAILED = 13,         // installed, but a step after the copy failed
    EXIT_WIZARD_CLOSED = 14,       // the wizard was closed before an installation completed
    EXIT_INTERRUPTED_RUN_NOT_UNDONE = 15, // an installation killed before its end could not be undone
};
