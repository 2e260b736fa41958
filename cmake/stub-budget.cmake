# Checks the linked stub against its budget and writes the padded stub.
#
#   cmake -DIMAGE=linked.exe -DOUTPUT=out/Sfx64.exe -DBUDGET=90112 -P stub-budget.cmake
#
# The archive builder appends the payload at exactly BUDGET bytes, so the stub
# is padded with zero bytes to that size; a larger image breaks every file made
# with it and fails the build.
file(SIZE "${IMAGE}" image_size)
math(EXPR headroom "${BUDGET} - ${image_size}")
math(EXPR budget_hex "${BUDGET}" OUTPUT_FORMAT HEXADECIMAL)
if(headroom LESS 0)
  math(EXPR over "0 - ${headroom}")
  message(FATAL_ERROR "Stub image is ${image_size} bytes: ${over} bytes over its budget of "
                      "${BUDGET} (${budget_hex}).")
endif()
get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
file(COPY_FILE "${IMAGE}" "${OUTPUT}.tmp")
execute_process(COMMAND truncate -s ${BUDGET} "${OUTPUT}.tmp" COMMAND_ERROR_IS_FATAL ANY)
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
message(STATUS "Stub image: ${image_size} bytes, budget ${BUDGET} (${budget_hex}), "
               "headroom ${headroom} bytes; padded to ${OUTPUT}")
