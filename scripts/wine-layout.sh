# Sourced by the scripts that start Wine, before they start anything: runs the
# calling script again, with its arguments, without address-space
# randomisation, which every Wine process it starts then inherits.
#
# Wine's loader sits at a fixed address, and the kernel puts the process's
# heap a random distance above it, up to 1 GB. About once in a few thousand
# starts the heap lands on the range Wine keeps for its shared user data, and
# the program dies at once ("failed to map the shared user data: c0000018").
# Without randomisation the heap follows the loader and never gets there.
# Where the system refuses to switch randomisation off, Wine runs as it is.
if [ -r /proc/$$/personality ] && [ $((0x$(cat /proc/$$/personality) & 0x40000)) = 0 ] &&
  setarch "$(uname -m)" -R true 2>/dev/null; then
  exec setarch "$(uname -m)" -R sh "$0" "$@"
fi
