# SPDX-License-Identifier: GPL-3.0-or-later
# Fails the build when a source of the plain C++ core includes a Qt header.
# Called with -DSOURCES=<list separated by ;>.
foreach(src IN LISTS SOURCES)
  file(STRINGS "${src}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q|qt)")
  if(lines)
    message(FATAL_ERROR "${src} includes Qt, which the core must not: ${lines}")
  endif()
endforeach()
