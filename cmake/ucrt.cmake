# Debian's mingw-w64 GCC links the old msvcrt by default, which lacks functions the
# program needs (_get_timezone, the secure wide printf family). A specs file that
# swaps msvcrt for the Universal CRT is generated from the compiler itself.
set(UCRT_SPECS ${CMAKE_BINARY_DIR}/ucrt.specs)
if(NOT EXISTS ${UCRT_SPECS})
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpspecs
                  OUTPUT_VARIABLE default_specs
                  COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "-lmsvcrt" "-lucrt" ucrt_specs "${default_specs}")
  file(WRITE ${UCRT_SPECS} "${ucrt_specs}")
endif()
add_compile_options(-specs=${UCRT_SPECS})
add_compile_definitions(_UCRT)
add_link_options(-specs=${UCRT_SPECS})
