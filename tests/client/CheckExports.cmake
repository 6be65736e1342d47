# Compares the dynamic symbols that LIBRARY defines with the eight functions of cvce.h.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^ \n]+ [A-Za-z] [^\n]+" lines "${listing}")
set(found)
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[^ ]+ [A-Za-z] " "" symbol "${line}")
    list(APPEND found ${symbol})
endforeach()
list(SORT found)
set(expected
    _Z10GetMarkBLKRmRdS0_S0_S0_RcS1_S0_S0_RiS2_S0_S0_S2_S2_S0_S0_PcS0_S0_S0_S0_S0_S2_R10SYSTEMTIMES0_S0_S0_S0_S3_
    _Z10GetMaskGPSRmRdS0_S0_S0_RcS1_S0_S0_RiS2_S0_S0_S2_S2_S0_S0_PciS0_S0_S0_S0_S0_S2_Rs
    _Z11SwitchModesii
    _Z8GetErroriRs
    _Z8GetRawRTRmRdS0_S0_S0_S0_Ri
    _Z9GetMarkNBRmRdS0_S0_S0_RcS1_S0_S0_RiS2_S0_S0_S2_S2_S0_S0_PcS0_S0_S0_S0_S0_S2_R10SYSTEMTIMES0_S0_S0_S0_S3_
    _Z9GetMaskRTRmRdS0_S0_S0_RcS1_S0_S0_RiS2_S0_S0_S2_S2_S0_S0_PciS0_S0_S0_S0_S0_S2_Rs
    _Z9GetRawGPSRmRdS0_S0_S0_S0_Ri)
if(NOT found STREQUAL expected)
    message(FATAL_ERROR "exported symbols differ:\n found: ${found}\n expected: ${expected}")
endif()
