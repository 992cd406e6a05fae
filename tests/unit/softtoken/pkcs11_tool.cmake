# OpenSC's pkcs11-tool against kvpkcs11: key pair generation and both signature mechanisms.
# Arguments: PKCS11_TOOL, MODULE, TOOL (kvsofttoken), DIR (a scratch directory).

file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
set(ENV{KVSOFTTOKEN_DIR} "${DIR}")

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${ARGN}: status ${status}\n${output}${error}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

run("${TOOL}" init --serial OPENSC1 --label "OpenSC check" --pin 1234)
run("${PKCS11_TOOL}" --module "${MODULE}" --list-mechanisms)
string(FIND "${output}" "GOSTR3410-WITH-GOSTR3411" at)
if(at EQUAL -1)
    message(FATAL_ERROR "mechanism list without GOSTR3410-WITH-GOSTR3411:\n${output}")
endif()
run("${PKCS11_TOOL}" --module "${MODULE}" --login --pin 1234 --keypairgen
    --key-type GOSTR3410:A --label opensc --id 4b56)
file(WRITE "${DIR}/hash.bin" "0123456789abcdef0123456789abcdef")
file(WRITE "${DIR}/message.txt" "signed through pkcs11-tool")
foreach(case "GOSTR3410;hash.bin" "GOSTR3410-WITH-GOSTR3411;message.txt")
    list(GET case 0 mechanism)
    list(GET case 1 input)
    run("${PKCS11_TOOL}" --module "${MODULE}" --login --pin 1234 --sign -m ${mechanism}
        --id 4b56 -i "${DIR}/${input}" -o "${DIR}/${mechanism}.sig")
    file(SIZE "${DIR}/${mechanism}.sig" size)
    if(NOT size EQUAL 64)
        message(FATAL_ERROR "${mechanism}: signature of ${size} bytes")
    endif()
endforeach()
