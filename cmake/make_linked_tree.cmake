# Makes DIR/tree/link, a Unix symbolic link to DIR/outside, afresh: Wine
# cannot make reparse points, but shows such a link to Windows programs as
# one, so the Windows tests of recursive deletes can meet one.
# Use: cmake -DDIR=... -P make_linked_tree.cmake
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR}/tree ${DIR}/outside)
file(CREATE_LINK ../outside ${DIR}/tree/link SYMBOLIC)
