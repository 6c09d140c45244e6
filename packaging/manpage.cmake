# Writes a manual page, gzipped, from a program's own --help texts, so that
# the two cannot disagree:
#   cmake -DPROGRAM=exe -DNAME=kinsheet-batch -DSUMMARY="..." [-DCOMMANDS="a;b"]
#         -DVERSION=1.0 -DSEE_ALSO=kinsheet -DOUT=kinsheet-batch.1 -P manpage.cmake
# The general help becomes the DESCRIPTION, each command's help a section
# of COMMANDS, all as written (no filling), with the characters roff would
# take as its own escaped.
cmake_minimum_required(VERSION 3.22)

function(help_text out)
  execute_process(COMMAND ${PROGRAM} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status
                  ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} ${ARGN} --help failed (${status}): ${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Verbatim lines in roff: backslashes and minus signs escaped, a line that
# starts with a dot or an apostrophe kept from reading as a request.
function(roff_verbatim text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" roff_name "${NAME}")
help_text(general)
# The first line, "Usage: ...", is the synopsis.
if(NOT general MATCHES "^Usage: ([^\n]*)\n")
  message(FATAL_ERROR "${PROGRAM} --help does not start with 'Usage: '")
endif()
set(usage "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^Usage: [^\n]*\n\n?" "" description "${general}")
roff_verbatim("${usage}" synopsis)
roff_verbatim("${description}" description)
set(page ".TH ${title} 1 \"\" \"Kinsheet ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${roff_name} \\- ${SUMMARY}\n")
string(APPEND page ".SH SYNOPSIS\n${synopsis}")
string(APPEND page ".SH DESCRIPTION\n${description}")
if(COMMANDS)
  string(APPEND page ".SH COMMANDS\n")
  foreach(command ${COMMANDS})
    help_text(command_help ${command})
    roff_verbatim("${command_help}" command_help)
    string(APPEND page ".SS ${command}\n${command_help}")
  endforeach()
endif()
string(APPEND page ".SH VERSION\n${roff_name} \\-\\-version prints the version, ${VERSION}.\n")
if(SEE_ALSO)
  string(APPEND page ".SH SEE ALSO\n")
  set(first TRUE)
  foreach(other ${SEE_ALSO})
    if(NOT first)
      string(APPEND page ",\n")
    endif()
    string(REPLACE "-" "\\-" other_name "${other}")
    string(APPEND page ".BR ${other_name} (1)")
    set(first FALSE)
  endforeach()
  string(APPEND page "\n")
endif()
file(WRITE ${OUT} "${page}")
# Debian's manuals are compressed at the highest level, without a name or
# time stamp inside, so that a rebuild gives the same bytes.
execute_process(COMMAND gzip -9 -n -f ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${OUT} failed")
endif()
