# Installs the build into a fresh folder, as "cmake --install" does for a
# user or a package. Run as: cmake -DBUILD_DIR=... -DPREFIX=... -P install_tree.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "installing into ${PREFIX} failed (${result})")
endif()
