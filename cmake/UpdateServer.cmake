# What the update server holds under the program's update base URL: the current
# descriptor and the package made of the block list and that descriptor. Laid out in
# ${HUSHBAR_DIST}/server/hushbar/update/, ready for any static web server.
#
# The server's descriptor is the shipped latest.xml (made from res/latest.xml), so a fresh install finds itself
# up to date. For a demonstration of an update, give the server a newer data version:
#   cmake -DHUSHBAR_SERVER_DATAVERSION=1.1 <build folder>
set(HUSHBAR_SERVER_DATAVERSION "" CACHE STRING
    "Data version the update server offers; empty keeps the shipped one")

set(update_server_dir "${HUSHBAR_DIST}/server/hushbar/update")
set(update_server_stage "${CMAKE_BINARY_DIR}/update-server")

file(READ "${HUSHBAR_GENERATED}/latest.xml" update_server_descriptor)
if(HUSHBAR_SERVER_DATAVERSION)
  string(REGEX REPLACE "dataversion=\"[^\"]*\"" "dataversion=\"${HUSHBAR_SERVER_DATAVERSION}\""
         update_server_descriptor "${update_server_descriptor}")
endif()
file(MAKE_DIRECTORY "${update_server_stage}")
file(CONFIGURE OUTPUT "${update_server_stage}/latest.xml" CONTENT "${update_server_descriptor}" @ONLY)

# Entries are named as they lie in the staging folder: the package holds the two files
# at its top level.
add_custom_command(
  OUTPUT "${update_server_dir}/update.zip" "${update_server_dir}/latest.xml"
  COMMAND ${CMAKE_COMMAND} -E copy "${CMAKE_SOURCE_DIR}/res/objects.dll" "${update_server_stage}/objects.dll"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${update_server_dir}"
  COMMAND ${CMAKE_COMMAND} -E tar cf "${update_server_dir}/update.zip" --format=zip objects.dll latest.xml
  COMMAND ${CMAKE_COMMAND} -E copy "${update_server_stage}/latest.xml" "${update_server_dir}/latest.xml"
  WORKING_DIRECTORY "${update_server_stage}"
  DEPENDS "${CMAKE_SOURCE_DIR}/res/objects.dll" "${update_server_stage}/latest.xml"
  COMMENT "Laying out the update server's descriptor and package"
  VERBATIM)
add_custom_target(hushbar_update_server ALL
                  DEPENDS "${update_server_dir}/update.zip" "${update_server_dir}/latest.xml")
# The program's folder and the server's are laid out together, so tests that start from
# dist/ find both.
add_dependencies(hushbar hushbar_update_server)
