# Sourced: sets $windows to the build whose programs run under Wine here:
# win32, the programs as shipped, or win64 where the kernel executes no
# 32-bit code and 32-bit Wine cannot start.
windows=win32
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    windows=win64
fi
