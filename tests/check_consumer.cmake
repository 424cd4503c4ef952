# Installs the build into a fresh prefix, builds consumer/ against it with
# find_package(Glassmere) and checks that it renders a photo exactly as the
# installed glassmere-reflect does, and that the installed headers need no
# widgets. With PYTHON, also that the installed Python module loads from
# its folder, the library found beside it.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DVERSION=... -DPHOTO=... [-DFLAGS=...]
#         [-DPYTHON=... -DPYTHON_DIR=...] -P check_consumer.cmake

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGN}\nfailed (${result}):\n${out}")
    endif()
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}/usr")

file(GLOB_RECURSE headers "${PREFIX}/usr/include/glassmere/*")
if(NOT headers)
    message(FATAL_ERROR "no headers installed")
endif()
foreach(header IN LISTS headers)
    file(STRINGS "${header}" widget_lines REGEX "Widget|widgets/")
    if(widget_lines)
        message(FATAL_ERROR "${header} names widgets: ${widget_lines}")
    endif()
endforeach()

set(source_dir "${CMAKE_CURRENT_LIST_DIR}/consumer")
run("${CMAKE_COMMAND}" -S "${source_dir}" -B "${PREFIX}/build" -DCMAKE_PREFIX_PATH=${PREFIX}/usr
    -DWANT_VERSION=${VERSION} "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
run("${CMAKE_COMMAND}" --build "${PREFIX}/build")

run("${PREFIX}/build/consumer" "${PHOTO}" "${PREFIX}/consumer.png")
run("${PREFIX}/usr/bin/glassmere-reflect" "${PHOTO}" -o "${PREFIX}/reflect.png")
file(SHA256 "${PREFIX}/consumer.png" mine)
file(SHA256 "${PREFIX}/reflect.png" theirs)
if(NOT mine STREQUAL theirs)
    message(FATAL_ERROR "the consumer's picture differs from glassmere-reflect's")
endif()
if(PYTHON)
    set(module_dir "${PREFIX}/usr/${PYTHON_DIR}")
    run("${CMAKE_COMMAND}" -E env "PYTHONPATH=${module_dir}" "${PYTHON}" -c
        "import sys, glassmere; sys.exit(not glassmere.__file__.startswith(sys.argv[1]))" "${module_dir}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
