# Installs the build into a fresh prefix and checks that the help manual,
# and every picture it shows, lie where the installed program looks for
# them: DOC_FROM_BINDIR, relative to the program's folder.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDOC_FROM_BINDIR=... -P check_install.cmake

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(program_dir "${PREFIX}/${BINDIR}")
if(NOT EXISTS "${program_dir}/glassmere")
    message(FATAL_ERROR "no program in ${program_dir}")
endif()
get_filename_component(doc_dir "${program_dir}/${DOC_FROM_BINDIR}" ABSOLUTE)
set(manual "${doc_dir}/manual.html")
if(NOT EXISTS "${manual}")
    message(FATAL_ERROR "no manual at ${manual}")
endif()

file(READ "${manual}" html)
string(REGEX MATCHALL "src=\"[^\"]+\"" sources "${html}")
if(NOT sources)
    message(FATAL_ERROR "the manual shows no picture")
endif()
foreach(source IN LISTS sources)
    string(REGEX REPLACE "^src=\"([^\"]+)\"$" "\\1" file "${source}")
    if(NOT EXISTS "${doc_dir}/${file}")
        message(FATAL_ERROR "the manual shows ${file}, which is not installed beside it")
    endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
