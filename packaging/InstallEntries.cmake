# Runs at install time, once the prefix is known (cmake --install --prefix,
# cpack's staging): installs the files that name installed paths or are
# compressed, and enables the font aliases where fontconfig reads them.
#
# Set by the install rule: VEXLA_DESKTOP_SOURCE, VEXLA_MANPAGE (configured),
# VEXLA_FONTCONFIG_NAME, and the GNUInstallDirs folders VEXLA_BINDIR,
# VEXLA_DATADIR, VEXLA_MANDIR. file(INSTALL) adds DESTDIR and records each
# file in install_manifest.txt.

function(vexla_full_path out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

# A desktop entry's Exec program, quoted as the entry format asks when the
# path holds a reserved character: \ " ` $ escaped inside double quotes, then
# every backslash doubled again by the string escape rule; % is written %%.
function(vexla_desktop_exec out path)
  set(arg "${path}")
  if(arg MATCHES "[] \t\n\"'\\\\><~|&;$*?#`()[]")
    string(REPLACE "\\" "\\\\" arg "${arg}")
    string(REPLACE "\"" "\\\"" arg "${arg}")
    string(REPLACE "`" "\\`" arg "${arg}")
    string(REPLACE "$" "\\$" arg "${arg}")
    set(arg "\"${arg}\"")
    string(REPLACE "\\" "\\\\" arg "${arg}")
  endif()
  string(REPLACE "%" "%%" arg "${arg}")
  set(${out} "${arg}" PARENT_SCOPE)
endfunction()

vexla_full_path(bindir "${VEXLA_BINDIR}")
vexla_full_path(datadir "${VEXLA_DATADIR}")
vexla_full_path(mandir "${VEXLA_MANDIR}")

string(RANDOM LENGTH 12 token)
set(tmp "/tmp")
if(DEFINED ENV{TMPDIR})
  set(tmp "$ENV{TMPDIR}")
endif()
set(work "${tmp}/vexla-install-${token}")
file(MAKE_DIRECTORY "${work}")

# The desktop entry starts the program by its absolute path, so the menu
# entry works whether or not the program's folder is on PATH.
file(READ "${VEXLA_DESKTOP_SOURCE}" entry)
vexla_desktop_exec(exec "${bindir}/vexla")
string(REPLACE "\nExec=vexla " "\nExec=${exec} " installed "${entry}")
if(installed STREQUAL entry)
  message(FATAL_ERROR "${VEXLA_DESKTOP_SOURCE} has no line 'Exec=vexla ...'")
endif()
file(WRITE "${work}/vexla.desktop" "${installed}")
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES "${work}/vexla.desktop")

# Manual pages are installed compressed; -n leaves out name and time, so the
# same page gives the same bytes.
execute_process(COMMAND gzip -9nc "${VEXLA_MANPAGE}" OUTPUT_FILE "${work}/vexla.1.gz"
                RESULT_VARIABLE gzip_status)
if(NOT gzip_status EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${VEXLA_MANPAGE}")
endif()
file(INSTALL DESTINATION "${mandir}/man1" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES "${work}/vexla.1.gz")
file(REMOVE_RECURSE "${work}")

# fontconfig reads /etc/fonts/conf.d for everyone and
# $XDG_CONFIG_HOME/fontconfig/conf.d for the user, whatever the prefix, so a
# link from there enables the aliases installed in the prefix: the user's for
# an install into the home folder, the system's otherwise.
set(avail "${datadir}/fontconfig/conf.avail/${VEXLA_FONTCONFIG_NAME}")
set(confd "/etc/fonts/conf.d")
set(home "$ENV{HOME}")
if(IS_ABSOLUTE "${home}" AND NOT home STREQUAL "/")
  cmake_path(IS_PREFIX home "${CMAKE_INSTALL_PREFIX}" NORMALIZE per_user)
  if(per_user)
    if(DEFINED ENV{XDG_CONFIG_HOME} AND IS_ABSOLUTE "$ENV{XDG_CONFIG_HOME}")
      set(confd "$ENV{XDG_CONFIG_HOME}/fontconfig/conf.d")
    else()
      set(confd "$ENV{HOME}/.config/fontconfig/conf.d")
    endif()
  endif()
endif()
set(link "$ENV{DESTDIR}${confd}/${VEXLA_FONTCONFIG_NAME}")
message(STATUS "Installing: ${link}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E make_directory "$ENV{DESTDIR}${confd}"
                RESULT_VARIABLE link_status ERROR_VARIABLE link_error)
if(link_status EQUAL 0)
  file(CREATE_LINK "${avail}" "${link}" SYMBOLIC RESULT link_status)
endif()
if(link_status EQUAL 0)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${confd}/${VEXLA_FONTCONFIG_NAME}")
else()
  message(WARNING "The font aliases are installed but not enabled (${link_status} "
                  "${link_error}): link ${avail} from ${confd}")
endif()
