# cmake -DCOMPILER=... -DFLAGS=... -DSOURCE=... -DCASES=name:compiles,name:fails -P CompileCases.cmake
# Compiles SOURCE once per case with CASE_<name> defined. A case marked "fails" must be refused
# with a message that names FAILS_WITH (a regular expression), so that an unrelated error in the
# file cannot pass for the one it shows. A case list that is not read whole, entry by entry, is
# itself a failure: a list taken for one odd entry would compile nothing and pass.
string(REPLACE "," ";" entries "${CASES}")
if(entries STREQUAL "")
  message(FATAL_ERROR "cannot read the case list \"${CASES}\": it names no case")
endif()
set(readable "^([A-Za-z_][A-Za-z0-9_]*):(compiles|fails)$")
foreach(entry IN LISTS entries)
  if(NOT entry MATCHES "${readable}")
    message(FATAL_ERROR "cannot read the case list \"${CASES}\": \"${entry}\" is not "
                        "name:compiles or name:fails (cases are separated by commas)")
  endif()
endforeach()

separate_arguments(flags UNIX_COMMAND "${FLAGS}")
set(wrong "")
foreach(entry IN LISTS entries)
  string(REGEX MATCH "${readable}" entry "${entry}")
  set(name ${CMAKE_MATCH_1})
  set(expect ${CMAKE_MATCH_2})
  execute_process(COMMAND ${COMPILER} ${flags} -fsyntax-only -DCASE_${name}=1 ${SOURCE}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(expect STREQUAL "compiles" AND NOT result EQUAL 0)
    string(APPEND wrong "${name}: should compile, but:\n${output}\n")
  elseif(expect STREQUAL "fails" AND result EQUAL 0)
    string(APPEND wrong "${name}: compiled, but should be refused\n")
  elseif(expect STREQUAL "fails" AND NOT output MATCHES "${FAILS_WITH}")
    string(APPEND wrong "${name}: refused for another reason:\n${output}\n")
  else()
    message(STATUS "${name}: ${expect} as it should")
  endif()
endforeach()
if(wrong)
  message(FATAL_ERROR "${wrong}")
endif()
