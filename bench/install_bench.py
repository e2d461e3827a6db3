"""The installation benchmark's driver (started by install_bench.sh inside its Wine prefix):
the reference payload with the real stand-in programs where the run starts them, our
installer and an NSIS installer around it, rounds of timings, medians, sizes and ratios.
  install_bench.py ROUNDS [BASELINE]   BASELINE: another build's installer, timed beside ours"""
import os
import shutil
import statistics
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WORK = ROOT / "build/bench-install"
READING_MS = 1500  # a quick reader's time on each wizard page
WIN = ROOT / "build/windows"
BENCH_EXE = WIN / "bench/windows/install_bench.exe"
PAYLOAD_TOOL = WIN / "host-tools/tools/payload"


def run(args, out_name):
    """Runs a command with its output in files (never a pipe: Wine's services keep it open)."""
    out, err = WORK / (out_name + ".out"), WORK / (out_name + ".err")
    with open(out, "w") as o, open(err, "w") as e:
        code = subprocess.call([str(a) for a in args], stdout=o, stderr=e, stdin=subprocess.DEVNULL)
    return code, out.read_text(), err.read_text()


def wine_path(path):
    return "Z:" + str(path).replace("/", "\\")


def bench(args, name):
    code, out, err = run(["wine", BENCH_EXE] + args, name)
    if code != 0:
        sys.exit(f"install_bench {args[0]} failed ({code}): {out}{err}")
    return {k: float(v) for k, v in (line.split() for line in out.splitlines() if line.strip())}


def silent_run(installer, folder, times=1):
    """Our whole silent installation into folder, `times` times in a row (the later ones
    reinstall); the time of each, or None when the installer does not install silently (it
    must exit with 0 and leave the program in folder)."""
    took = []
    for _ in range(times):
        code, out, _err = run(["wine", BENCH_EXE, "process", wine_path(installer), "/S", "/D=" + folder], "silent")
        installed = (Path(os.environ["WINEPREFIX"]) / "drive_c" / folder[3:].replace("\\", "/") / "Vantrel.exe").is_file()
        if code != 0 or not installed:
            bench(["reset"], "reset")
            return None
        took.append(float(out.split()[1]))
    bench(["reset"], "reset")
    return took


def without_payload(installer, payload):
    """An installer's size minus its payload, stripped as a release is."""
    stripped = WORK / "stripped.exe"
    shutil.copy(installer, stripped)
    subprocess.check_call(["i686-w64-mingw32-strip", stripped])
    return installer.stat().st_size - payload, stripped.stat().st_size - payload


def with_real_program(reference, real):
    """The real program, grown to the reference size with the reference bytes after its image."""
    size = reference.stat().st_size
    data = real.read_bytes()
    data += reference.read_bytes()[len(data):size] if len(data) < size else b""
    reference.write_bytes(data)


def nsis_script(manifest, out, with_files):
    tokens = {"<InstallPath>": "$INSTDIR", "<CommonData>": "$0", "<UserData>": "$1", "<Temporary>": "$PLUGINSDIR"}
    lines = ['Name "Vantrel NSIS"', f'OutFile "{out}"', 'SetCompressor /SOLID bzip2', "SilentInstall silent",
             'RequestExecutionLevel admin', 'InstallDir "$PROGRAMFILES\\Marrowin NSIS\\Vantrel 7"',
             "Section", "InitPluginsDir", "SetShellVarContext all", "StrCpy $0 $APPDATA",
             "SetShellVarContext current", "StrCpy $1 $APPDATA", "SetShellVarContext all"]
    if with_files:
        for entry in manifest.read_text(encoding="latin-1").splitlines():
            if not entry.strip() or entry.startswith("#"):
                continue
            source, destination, _kind = entry.split("\t")
            for token, variable in tokens.items():
                destination = destination.replace(token, variable)
            destination = destination.replace("Marrowin", "Marrowin NSIS")
            lines += [f'SetOutPath "{destination}"', f'File "{manifest.parent / source}"']
    lines += ['CreateDirectory "$SMPROGRAMS\\Marrowin NSIS"',
              'CreateShortcut "$SMPROGRAMS\\Marrowin NSIS\\Vantrel.lnk" "$INSTDIR\\Vantrel.exe"',
              'CreateShortcut "$DESKTOP\\Vantrel NSIS.lnk" "$INSTDIR\\Vantrel.exe"',
              'WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel NSIS" '
              '"DisplayName" "Vantrel NSIS"',
              'WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel NSIS" '
              '"UninstallString" "$INSTDIR\\Uninstall.exe"',
              "SectionEnd"]
    return "\n".join(lines) + "\n"


def remove_nsis_install():
    drive = Path(os.environ["WINEPREFIX"]) / "drive_c"
    for folder in ("Program Files/Marrowin NSIS", "ProgramData/Marrowin NSIS",
                   "users/Public/Desktop/Vantrel NSIS.lnk"):
        path = drive / folder
        shutil.rmtree(path, ignore_errors=True) if path.is_dir() else path.unlink(missing_ok=True)
    for found in drive.glob("users/*/AppData/Roaming/Marrowin NSIS"):
        shutil.rmtree(found, ignore_errors=True)
    for found in drive.glob("**/Start Menu/Programs/Marrowin NSIS"):
        shutil.rmtree(found, ignore_errors=True)
    for found in drive.glob("users/*/Desktop/Vantrel NSIS.lnk"):
        found.unlink()


def spread(values):
    """Lower quartile, median and upper quartile."""
    if len(values) < 2:
        return values[0], values[0], values[0]
    low, mid, high = statistics.quantiles(values, n=4, method="inclusive")
    return low, mid, high


def print_round_ratios(samples):
    # On this VM one round can take twice another, NSIS's as much as ours: a ratio taken
    # within each round, where both met the same machine, and the quickest of each, are
    # steadier than a ratio of medians.
    print(f"\n{'ours / NSIS in the same round':32} {'lower q.':>8} {'median':>8} {'upper q.':>8} {'quickest':>9}")
    for name, label in (("wizard_run", "Install to 1106"), ("wizard_paced", "Install to 1106, paced"),
                        ("silent", "whole silent install")):
        if name not in samples:
            continue
        low, mid, high = spread([o / n for o, n in zip(samples[name], samples["nsis"])])
        quickest = min(samples[name]) / min(samples["nsis"])
        print(f"  {label:30} {low:8.2f} {mid:8.2f} {high:8.2f} {quickest:9.2f}")


def main():
    rounds = int(sys.argv[1])
    shutil.rmtree(WORK / "files", ignore_errors=True)
    code, out, err = run([ROOT / "build/bench/bench/reference_files", WORK / "files"], "reference")
    if code:
        sys.exit(err)
    manifest = Path(out.strip())
    files = manifest.parent
    with_real_program(files / "files/Vantrel.exe", WIN / "sample/vantrel_program.exe")
    with_real_program(files / "files/DirectX/DSETUP.dll", next((WIN / "sample").glob("**/DSETUP.dll")))
    payload = WORK / "payload.bz2"
    if run([PAYLOAD_TOOL, "pack", manifest, payload], "pack")[0]:
        sys.exit("packing failed")

    ours = WORK / "InstallVantrel-bench.exe"
    bench(["put", wine_path(WIN / "InstallVantrel7.05a.exe"), wine_path(payload), wine_path(ours)], "put")
    if run([PAYLOAD_TOOL, "test", ours], "check")[0]:
        sys.exit("the installer does not carry the reference payload")
    nsis = WORK / "nsis-setup.exe"
    nsis_empty = WORK / "nsis-empty.exe"
    for exe, with_files in ((nsis, True), (nsis_empty, False)):
        script = WORK / (exe.stem + ".nsi")
        script.write_text(nsis_script(manifest, exe, with_files), encoding="latin-1")
        if run(["makensis", "-V1", script], "makensis")[0]:
            sys.exit("makensis failed")

    baseline = Path(sys.argv[2]).resolve() if len(sys.argv) > 2 else None
    theirs = WORK / "InstallVantrel-baseline.exe"
    if baseline:
        bench(["put", wine_path(baseline), wine_path(payload), wine_path(theirs)], "put")

    engine = bench(["engine", wine_path(payload), str(rounds)], "engine")
    silent_folder = "C:\\Program Files\\Marrowin\\Vantrel Silent"
    silent = silent_run(ours, silent_folder) is not None
    samples = {}
    for r in range(rounds):
        for name, value in bench(["steps", wine_path(payload)], "steps").items():
            samples.setdefault(name, []).append(value)
        samples.setdefault("wizard_run", []).append(bench(["wizard", wine_path(ours)], "wizard")["wizard_run"])
        # A user who reads each of the three pages for a while: the archive test has had its time.
        samples.setdefault("wizard_paced", []).append(
            bench(["wizard", wine_path(ours), str(READING_MS)], "wizard")["wizard_run"])
        if baseline:
            samples.setdefault("baseline", []).append(bench(["wizard", wine_path(theirs)], "wizard")["wizard_run"])
        if silent:
            took = silent_run(ours, silent_folder, 2)
            if took is None:
                sys.exit("the silent installation failed after it had worked")
            samples.setdefault("silent", []).append(took[0])
            samples.setdefault("silent_again", []).append(took[1])
        remove_nsis_install()
        samples.setdefault("nsis", []).append(bench(["process", wine_path(nsis)], "nsis")["process"])
        remove_nsis_install()
        line = f"round {r + 1}: ours {samples['wizard_run'][-1]:.0f} ms"
        line += f", baseline {samples['baseline'][-1]:.0f} ms" if baseline else ""
        line += f", silent {samples['silent'][-1]:.0f} ms" if silent else ""
        print(line + f", NSIS {samples['nsis'][-1]:.0f} ms", flush=True)

    median = {k: statistics.median(v) for k, v in samples.items()}
    print(f"\nmedians of {rounds} rounds, ms (reference payload {payload.stat().st_size / 1e6:.2f} MB bzip2)")
    for name in ("setup", "archive_test", "extraction", "shortcuts", "directx", "key_and_registration", "log",
                 "cleanup", "run"):
        print(f"  our run, {name:22} {median.get(name, 0):8.0f}")
    print(f"  engine, archive test         {engine['engine_test']:8.0f}")
    print(f"  engine, extraction, no callback {engine['engine_extract_bare']:5.0f}")
    print(f"  engine, extraction, callback {engine['engine_extract_callback']:8.0f}")
    print(f"  ours, Install to 1106        {median['wizard_run']:8.0f}")
    print(f"  ours, Install to 1106, {READING_MS / 1000:.1f} s a page {median['wizard_paced']:5.0f}")
    if baseline:
        print(f"  baseline, Install to 1106    {median['baseline']:8.0f}")
        # Paired round by round: what other work on the machine adds to a round, it adds to both.
        paired = statistics.median(o - b for o, b in zip(samples["wizard_run"], samples["baseline"]))
        print(f"  ours - baseline, paired      {paired:8.0f}")
    print(f"  NSIS, whole silent install   {median['nsis']:8.0f}")
    print("  ours, whole silent install   " + (f"{median['silent']:8.0f}" if silent else "     n/a"))
    print("  ours, the same again, silent " + (f"{median['silent_again']:8.0f}" if silent else "     n/a"))
    print(f"  ratio ours / NSIS            {median['wizard_run'] / median['nsis']:8.2f}")
    print(f"  ratio ours, paced / NSIS     {median['wizard_paced'] / median['nsis']:8.2f}")
    if baseline:
        print(f"  ratio baseline / NSIS        {median['baseline'] / median['nsis']:8.2f}")
    print("  ratio silent ours / NSIS     " + (f"{median['silent'] / median['nsis']:8.2f}" if silent else "     n/a"))
    print("silent: " + ("measured" if silent else "n/a"))
    print_round_ratios(samples)

    # The built installer around its default payload: a resource rewrite by Wine leaves a
    # symbol table that strip cannot read.
    body = (WIN / "sample/payload.bz2").stat().st_size
    ours_size, stripped_size = without_payload(WIN / "InstallVantrel7.05a.exe", body)
    nsis_size = nsis_empty.stat().st_size
    print("\ninstaller size minus payload, MB")
    print(f"  ours                         {ours_size / 1e6:8.2f}")
    print(f"  ours, stripped               {stripped_size / 1e6:8.2f}")
    if baseline:
        baseline_payload = baseline.parent / "sample/payload.bz2"
        if baseline_payload.is_file():
            size = without_payload(baseline, baseline_payload.stat().st_size)
            print(f"  baseline                     {size[0] / 1e6:8.2f}")
            print(f"  baseline, stripped           {size[1] / 1e6:8.2f}")
    print(f"  NSIS (no files)              {nsis_size / 1e6:8.2f}")
    print(f"  ratio ours / NSIS            {ours_size / nsis_size:8.1f}")
    print(f"  ratio ours stripped / NSIS   {stripped_size / nsis_size:8.1f}")


main()
