#!/usr/bin/env bash
# Library planting against the real setup.exe under Wine. A downloaded installer sits in a folder
# anyone may have put files into, so copies of a library that records every load are planted
# there under the engine's name and the names of common system libraries, and again in the
# folder the installer is started from. The installer then runs a whole install: the welcome
# page, the check, the extraction, the Ready page starting the installed program, and on the
# Finish page Open folder and Report. None of the planted copies may be loaded.
# A control program that loads the same names by their bare names first shows that, under this
# Wine, planted copies do get loaded by such a program and leave their marks (without that the
# test could not tell anything).
#   setup_planted.sh WINE_RUN DRIVER ZMPACK SETUP SAMPLE_APP PLANTED_DLL BARE_LOADER WORK_DIR
set -u
. "$(dirname "$0")/setup_harness.sh"
harness_display "$0" "$@"
run=$1 driver=$2 zmpack=$3 stub=$4 sample=$5 planted=$6 loader=$7 work=$8/setup_planted
window="Setup - Planted"

fail() {
  echo "FAIL: $*" >&2
  setup_stop
  exit 1
}
trap setup_stop EXIT

# Libraries an installer's process may ask for by name: the engine, the rich edit and common
# controls, theming and window manager, shell and COM helpers, crypto providers, networking and
# the system's support libraries.
names=(ZMEngine190.dll msftedit.dll riched20.dll riched32.dll comctl32.dll uxtheme.dll
       dwmapi.dll version.dll cryptbase.dll cryptsp.dll rsaenh.dll bcrypt.dll ncrypt.dll
       crypt32.dll wintrust.dll msasn1.dll propsys.dll profapi.dll userenv.dll winmm.dll
       msimg32.dll imm32.dll oleaut32.dll shfolder.dll shlwapi.dll secur32.dll sspicli.dll
       apphelp.dll netapi32.dll mpr.dll ntmarta.dll wininet.dll urlmon.dll iertutil.dll
       winhttp.dll dbghelp.dll setupapi.dll cfgmgr32.dll usp10.dll textshaping.dll
       winspool.drv ole32.dll shell32.dll advapi32.dll)

rm -rf "$work"
mkdir -p "$work/payload/bin" "$work/download" "$work/start" "$work/control"
harness_init "$run" "$driver" "$zmpack" ""
harness_headings en Planted || fail "no headings"
printf 'Read me first.\r\n' >"$work/payload/readme.txt"
cp "$sample" "$work/payload/bin/Sample.EXE"
h_pack "$work/download/setup.exe" "$stub" "$work/payload" --title Planted --language en ||
  fail "no package"
for n in "${names[@]}"; do
  cp "$planted" "$work/download/$n"
  cp "$planted" "$work/start/$n"
  cp "$planted" "$work/control/$n"
done
cp "$loader" "$work/control/bare_loader.exe"

# The control.
(cd "$work/control" && "$run" ./bare_loader.exe "${names[@]}" >/dev/null 2>&1)
control=$(find "$work/control" -name '*.loaded' | wc -l)
[ "$control" -gt 0 ] || fail "the control loaded no planted copy: the marks prove nothing here"

# The installer, started from a folder full of planted copies.
cd "$work/start" || fail "no start folder"
setup_start "$work/download/setup.exe"
setup_on_finish() {
  h_drv wait "Sample Program" 20000 && h_drv press "Sample Program" OK &&
    h_drv gone "Sample Program" 10000 || return 1
  h_drv click "$1" 152 && h_drv click "$1" 153
}
setup_walk "$window" || fail "the wizard walk stopped"
sleep 2  # the shell's actions run on
h_drv click "$window" 107 || fail "no Close button"
setup_wait_exit 20000 || fail "the installer did not end after Close"
[ "$H_SETUP_RC" = 0 ] || fail "the installer ended with $H_SETUP_RC"
cmp -s "$work/payload/readme.txt" "$H_DEST/readme.txt" || fail "the package was not installed"

loaded=$(find "$work/download" "$work/start" -name '*.loaded' -printf '%P ')
[ -z "$loaded" ] || fail "planted libraries were loaded: $loaded"
echo "planted libraries: ${#names[@]} names in 2 places tried, 0 loaded by setup.exe" \
     "(the control loaded $control of them by bare name)"
