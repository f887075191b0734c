# Installs the build into a fresh prefix and runs the installed programs from there:
# which card library the panel binds (the identity it shows, the file --verbose names)
# with no vendor library, with the stand-in vendor library in a folder named in
# LD_LIBRARY_PATH, with a library beside the program as well, and given with --card-library;
# and the manual pages, which name the simulated card's folder under this prefix.
# Arguments: BUILD_DIR, WORK_DIR, SHIPPED_DIR (the private folder, relative to the
# prefix), SIMULATOR (the build's libadcard.so), STAND_IN (the stand-in's file), MANDOC.
include(${CMAKE_CURRENT_LIST_DIR}/ExpectRun.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/ManualPages.cmake)
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
expect_run(install STATUS 0 COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
check_manual_pages(${prefix}/share/man/man1 ${prefix}/${SHIPPED_DIR})
expect_run(tqv-selftest STATUS 0 IN ${WORK_DIR} COMMAND ${prefix}/bin/tqv-selftest --seconds 3)
expect_run(tqv-record STATUS 0 IN ${WORK_DIR} ERR "0 gaps"
  COMMAND ${prefix}/bin/tqv-record --seconds 1 ${WORK_DIR}/installed.wav)

get_filename_component(stand_in_dir ${STAND_IN} DIRECTORY)
# bound(NAME IDENTITY BOUND [arguments...]): the panel shows IDENTITY; --verbose names BOUND.
function(bound name identity bound)
  expect_run(${name} STATUS 0 IN ${WORK_DIR} OUT "${identity}" ERR "card library: ${bound} ("
    COMMAND ${prefix}/bin/tqv-snapshot ${WORK_DIR}/${name}.png --verbose ${ARGN})
endfunction()
unset(ENV{LD_LIBRARY_PATH})
bound(no_vendor "5200 类型: 1" ${prefix}/${SHIPPED_DIR}/libadcard.so --start --ms 500)
set(ENV{LD_LIBRARY_PATH} ${stand_in_dir})
bound(vendor_on_the_loaders_search "6100 类型: 2" ${stand_in_dir}/libadcard.so --ms 0)
file(COPY ${SIMULATOR} DESTINATION ${prefix}/bin)
bound(beside_the_program "5200 类型: 1" ${prefix}/bin/libadcard.so --ms 0)
bound(given "6100 类型: 2" ${STAND_IN} --ms 0 --card-library ${STAND_IN})
