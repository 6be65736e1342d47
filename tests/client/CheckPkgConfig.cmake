# Installs the client library with cvinstall into a fresh directory, builds a program with
# nothing but `pkg-config --cflags --libs cvce`, and runs it.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(dir ${WORK}/app)
execute_process(COMMAND ${CVINSTALL} install ${dir} --from ${HOOK} --from ${LIBRARY}
                --from ${HEADER} --from ${PCFILE} RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cvinstall failed: ${status}")
endif()
set(ENV{PKG_CONFIG_PATH} ${dir})
execute_process(COMMAND pkg-config --cflags --libs cvce OUTPUT_VARIABLE flags
                RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "pkg-config does not know cvce")
endif()
file(WRITE ${WORK}/client.cpp [=[
#include <cvce.h>
#include <cstdio>
int main() {
    short code = -1;
    int ok = GetError(0, code) == 1 && code == 0 && SwitchModes(5, 1) == 0;
    std::printf("%s\n", ok ? "cvce works" : "cvce failed");
    return ok ? 0 : 1;
}
]=])
separate_arguments(flag_list UNIX_COMMAND "${flags}")
execute_process(COMMAND ${CXX} -std=c++17 ${WORK}/client.cpp ${flag_list} -o ${WORK}/client
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the client did not build with: ${flags}")
endif()
execute_process(COMMAND ${WORK}/client RESULT_VARIABLE status OUTPUT_VARIABLE out)
if(NOT status EQUAL 0 OR NOT out STREQUAL "cvce works\n")
    message(FATAL_ERROR "the client failed: ${status} ${out}")
endif()
