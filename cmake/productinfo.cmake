# Product information shared by the About box and the web links. The name
# and the version come from project(); the rest can be set when
# configuring, for example -DGLASSMERE_HOME_PAGE=https://glassmere.org/.
# The values end up in the generated header productinfo.h.

set(GLASSMERE_HOME_PAGE "" CACHE STRING
    "Absolute address of the product's home page; empty when there is none")
set(GLASSMERE_HELP_PAGE "" CACHE STRING
    "Absolute address of the online help manual; empty opens the manual installed with the program")
set(GLASSMERE_SUPPORT_EMAIL "support@glassmere.example" CACHE STRING
    "Support e-mail address shown in the About box")
set(GLASSMERE_NOTICE "Copyright © The Glassmere developers" CACHE STRING
    "One line naming the rights holder, shown in the About box")

# The About box builds its links by plain concatenation, unquoted in the
# case of the home page, and the values become C++ string literals: refuse
# anything that would break either at build time rather than show a broken
# link.
set(_address_chars "[^] \t\r\n\"'<>&\\\\`{}|^]")
foreach(var GLASSMERE_HOME_PAGE GLASSMERE_HELP_PAGE)
    if(NOT "${${var}}" STREQUAL "" AND
       NOT "${${var}}" MATCHES "^[A-Za-z][A-Za-z0-9+.-]*://${_address_chars}+$")
        message(FATAL_ERROR "${var} must be an absolute address such as https://example.org/, "
                            "without blanks, quotes, ampersands or angle brackets: '${${var}}'")
    endif()
endforeach()
if(NOT GLASSMERE_SUPPORT_EMAIL MATCHES "^[^] \t\r\n\"'<>&\\\\@()[,;:]+@[A-Za-z0-9.-]+$")
    message(FATAL_ERROR "GLASSMERE_SUPPORT_EMAIL must be a plain address such as "
                        "support@example.org: '${GLASSMERE_SUPPORT_EMAIL}'")
endif()
if(GLASSMERE_NOTICE MATCHES "[\r\n]")
    message(FATAL_ERROR "GLASSMERE_NOTICE must be a single line")
endif()

# The notice is free text: escape it for the string literal.
string(REPLACE "\\" "\\\\" GLASSMERE_NOTICE_LITERAL "${GLASSMERE_NOTICE}")
string(REPLACE "\"" "\\\"" GLASSMERE_NOTICE_LITERAL "${GLASSMERE_NOTICE_LITERAL}")

# Where the manual is installed, and how the program finds it from its own
# directory, so an installed tree can be moved as a whole.
set(GLASSMERE_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/glassmere)
file(RELATIVE_PATH GLASSMERE_DOC_FROM_BINDIR
     ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${GLASSMERE_DOC_INSTALL_DIR})

configure_file(${PROJECT_SOURCE_DIR}/app/productinfo.h.in
               ${PROJECT_BINARY_DIR}/generated/productinfo.h @ONLY)
include_directories(${PROJECT_BINARY_DIR}/generated)
