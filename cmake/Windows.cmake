# ZORB.dll for Windows hosts, cross-built with mingw-w64, and its checks. Included by the top
# CMakeLists.txt when the target is Windows.
#   ZORB_LINUX_BUILD  the Linux build whose embedded engine the Wine checks use (its etc/)
#   ZORB_WINEPREFIX   the throw-away Wine prefix of those checks
set(ZORB_LINUX_BUILD ${CMAKE_SOURCE_DIR}/build CACHE PATH "Linux build with the embedded engine")
set(ZORB_WINEPREFIX ${ZORB_LINUX_BUILD}/wine CACHE PATH "Wine prefix of the Windows checks")

# The DLL and the test programs side by side, so that LoadLibrary finds the DLL.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

file(GLOB_RECURSE ZORB_CORE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp)
list(FILTER ZORB_CORE_SOURCES EXCLUDE REGEX
     "/src/exports/Exportadas\\.cpp$|/src/platform/Posix\\.cpp$")
add_library(zorbcore STATIC ${ZORB_CORE_SOURCES})
target_include_directories(zorbcore PUBLIC ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zorbcore PUBLIC odbc32)

# The C runtime of the system (msvcrt) stays a DLL; libgcc, libstdc++ and winpthread go inside,
# so that the DLL needs nothing but system DLLs. The .def file names the exports.
add_library(zorb SHARED ${CMAKE_SOURCE_DIR}/src/exports/Exportadas.cpp
                        ${CMAKE_SOURCE_DIR}/src/exports/ZORB.def)
set_target_properties(zorb PROPERTIES OUTPUT_NAME ZORB PREFIX "")
target_compile_definitions(zorb PRIVATE ZORB_BUILDING)
target_link_libraries(zorb PRIVATE zorbcore)
target_link_options(zorb PRIVATE -static -Wl,--no-undefined)

enable_testing()
set(ZORB_WIN_TESTS ${CMAKE_SOURCE_DIR}/tests/windows)

# The export table names exactly the declared functions; the DLL imports only system DLLs.
find_program(ZORB_OBJDUMP NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-objdump objdump REQUIRED)
add_test(NAME windows_exports
         COMMAND ${ZORB_WIN_TESTS}/exportaciones.sh ${ZORB_OBJDUMP} $<TARGET_FILE:zorb>
                 ${CMAKE_SOURCE_DIR}/include/zorb/zorb.h ${CMAKE_SOURCE_DIR}/src/exports/ZORB.def)

# Every interface of host.h is declared with the Windows layout.
add_test(NAME windows_interfaces
         COMMAND ${ZORB_WIN_TESTS}/interfaces.sh ${CMAKE_SOURCE_DIR}/include/zorb/host.h)

# A host written in C that reaches the DLL by LoadLibrary and vtable positions only.
add_executable(anfitrion ${ZORB_WIN_TESTS}/Anfitrion.c)
add_dependencies(anfitrion zorb)
# The library's value and container objects, probed by vtable position from C.
add_executable(sonda ${ZORB_WIN_TESTS}/Sonda.c ${ZORB_WIN_TESTS}/Sonda.cpp)
target_link_libraries(sonda PRIVATE zorbcore)
target_link_options(anfitrion PRIVATE -static)
target_link_options(sonda PRIVATE -static)

# Running them needs Wine for the target: wine64 for x64; for x86 the 32-bit loader, which
# comes with Debian's wine32 (i386). Without it the programs are only built. The host test needs
# the engine too, which is a 64-bit Linux driver: an x86 program cannot load it through Wine.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  find_program(ZORB_WINE NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
else()
  find_program(ZORB_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CACHE)
endif()
if(ZORB_WINE)
  set(ZORB_WINE_RUN ${ZORB_WIN_TESTS}/wine.sh ${ZORB_WINE} ${ZORB_WINEPREFIX})
  add_test(NAME windows_values COMMAND ${ZORB_WINE_RUN} $<TARGET_FILE:sonda>)
  set_tests_properties(windows_values PROPERTIES TIMEOUT 300)
else()
  message(STATUS "No Wine for ${CMAKE_SYSTEM_PROCESSOR}: the Windows test programs are only built")
endif()
if(ZORB_WINE AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  # The engine's server of the host test, made by the Linux build's zorb tool (a folder becomes a
  # server only when asked).
  add_test(NAME windows_server_folder
           COMMAND ${ZORB_LINUX_BUILD}/bin/zorb ping --create -S ${CMAKE_BINARY_DIR}/servidor)
  set_tests_properties(windows_server_folder PROPERTIES FIXTURES_SETUP servidor
                       ENVIRONMENT "ODBCSYSINI=${ZORB_LINUX_BUILD}/etc")
  add_test(NAME windows_host
           COMMAND ${ZORB_WINE_RUN} $<TARGET_FILE:anfitrion> ${CMAKE_BINARY_DIR}/servidor)
  set_tests_properties(windows_host PROPERTIES FIXTURES_REQUIRED servidor TIMEOUT 300
                       ENVIRONMENT "ODBCSYSINI=${ZORB_LINUX_BUILD}/etc")
endif()
