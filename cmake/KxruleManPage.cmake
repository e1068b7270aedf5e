# Writes the manual page of kxrule from the tool's own help (the top level, then every subcommand
# and nested subcommand), so that the page says what the tool it ships with says, and gzips it the
# way Debian installs manual pages. Run by the build with -P.
# Variables: KXRULE (the tool just built), VERSION, OUT (the .1.gz to write).
function(help_of var) # ARGN: the subcommand path
  execute_process(COMMAND "${KXRULE}" ${ARGN} --help
    OUTPUT_VARIABLE text RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "kxrule ${ARGN} --help failed (${rc}): ${err}")
  endif()
  string(REGEX REPLACE "Usage: [^ \n]*kxrule" "Usage: kxrule" text "${text}")
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# The names listed under "Subcommands:" in a help text.
function(subcommands_of var text)
  set(names "")
  if(text MATCHES "\nSubcommands:\n(([ ]+[^\n]+\n)+)")
    string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" names "\n${CMAKE_MATCH_1}")
    string(REGEX REPLACE "\n  " "" names "${names}")
  endif()
  set(${var} "${names}" PARENT_SCOPE)
endfunction()

# Help text as a preformatted roff block: backslashes, minus signs and leading dots escaped.
function(roff_block var text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX REPLACE "^\n+|\n+$" "" text "${text}")
  set(${var} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

help_of(top)
if(NOT top MATCHES "^kxrule: ([^\n]*[^.\n])\\.?\n(.*)\nOptions:\n(([ ]+[^\n]+\n)+)")
  message(FATAL_ERROR "kxrule --help does not start with its summary and options:\n${top}")
endif()
set(summary "${CMAKE_MATCH_1}")
roff_block(description "${CMAKE_MATCH_2}")
roff_block(options "${CMAKE_MATCH_3}")
set(page ".TH KXRULE 1 \"\" \"kxrule ${VERSION}\" \"User Commands\"\n.SH NAME\nkxrule \\- ${summary}\n")
string(APPEND page ".SH SYNOPSIS\n.B kxrule\n[\\fIOPTIONS\\fR] \\fISUBCOMMAND\\fR [\\fIARGS\\fR]\n")
string(APPEND page ".SH DESCRIPTION\n${description}.SH OPTIONS\n${options}.SH COMMANDS\n")

subcommands_of(commands "${top}")
foreach(command IN LISTS commands)
  help_of(text ${command})
  roff_block(block "${text}")
  string(APPEND page ".SS \"kxrule ${command}\"\n${block}")
  subcommands_of(nested "${text}")
  foreach(sub IN LISTS nested)
    help_of(text ${command} ${sub})
    roff_block(block "${text}")
    string(APPEND page ".SS \"kxrule ${command} ${sub}\"\n${block}")
  endforeach()
endforeach()
if(NOT commands)
  message(FATAL_ERROR "kxrule --help lists no subcommand")
endif()

get_filename_component(page_file "${OUT}" NAME_WLE)
get_filename_component(dir "${OUT}" DIRECTORY)
file(WRITE "${dir}/${page_file}" "${page}")
execute_process(COMMAND gzip -9nf "${dir}/${page_file}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed")
endif()
