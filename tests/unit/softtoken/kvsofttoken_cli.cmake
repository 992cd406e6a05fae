# Drives the kvsofttoken tool through init, list, remove and check in a fresh directory.
# Arguments: TOOL (the program), DIR (a scratch directory), DRIVE (how the program sees the
# root: empty, or Z: under Wine), EMULATOR (empty, or Wine).

file(REMOVE_RECURSE "${DIR}")

function(run expected_status)
    execute_process(COMMAND ${EMULATOR} "${TOOL}" --dir "${DRIVE}${DIR}" ${ARGN}
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE error)
    if(NOT status EQUAL expected_status)
        message(FATAL_ERROR "kvsofttoken ${ARGN}: status ${status}, wanted ${expected_status}\n"
                            "${output}${error}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

function(expect_output text)
    string(FIND "${output}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "expected '${text}' in:\n${output}")
    endif()
endfunction()

run(0 init --serial CLI1 --label "Cli token" --pin 1234 --slot 1 --protected-path)
run(0 list)
expect_output("slot 0 (Kestrova reader 0): no token")
expect_output("slot 1 (Kestrova reader 1): token 'Cli token' serial CLI1, protected")
expect_output("wrong PINs: 0 of 3")
# Key pairs of each kind, the 2012 ones on a TC26 set; the list names each key's kind.
run(0 keygen --serial CLI1 --id k1 --label L --key gost2001)
run(0 keygen --serial CLI1 --id k2 --label L --key gost2012-256 --set B)
run(0 keygen --serial CLI1 --id k3 --label L --key gost2012-512 --set C)
run(0 list)
expect_output("object 1: public-key gost2001 label 'L' id 6B31")
expect_output("object 2: private-key gost2001 private label 'L' id 6B31")
expect_output("object 4: private-key gost2012-256 private label 'L' id 6B32")
expect_output("object 5: public-key gost2012-512 label 'L' id 6B33")
run(2 keygen --serial CLI1 --id k4 --label L --key gost2001 --set D)
run(2 keygen --serial CLI1 --id k4 --label L --key gost2012-1024)
run(1 keygen --serial NONE --id k4 --label L --key gost2001)
run(0 remove --slot 1)
run(0 list)
expect_output("slot 1 (Kestrova reader 1): no token")
run(0 insert --slot 1)
run(0 check)
run(1 remove --slot 7)
run(2 init --label "no serial")
run(1 init --serial "not valid" --label L)
