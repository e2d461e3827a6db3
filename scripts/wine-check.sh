# Sourced by the scripts that start Wine. The installer is a 32-bit program, and a kernel that
# runs no 32-bit x86 code refuses Wine's loader with "Exec format error"; every later step
# would then fail with its output thrown away, so say why at once.
require_wine() {
    local out
    out=$(wine --version 2>&1 </dev/null) && return 0
    echo "wine cannot start on this machine: $(printf '%s\n' "$out" | tail -n 1)" >&2
    if printf '%s' "$out" | grep -q 'Exec format error'; then
        echo "The installer and its Windows tests are 32-bit x86 programs: they need a Linux kernel that runs 32-bit code (IA-32 emulation on)." >&2
    fi
    return 1
}
