# OpenSC's pkcs11-tool against kvpkcs11: its own self-test (with a forked child), the mechanism
# list, a Streebog digest, key pair generation (2001, and 2012 with 256- and 512-bit keys), the
# signature mechanisms of each, a key pair that kvsofttoken wrote, and a certificate written,
# listed and read back.
# Arguments: PKCS11_TOOL, MODULE, TOOL (kvsofttoken), DIR (a scratch directory), CERTIFICATE (a
# DER certificate file).

file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
set(ENV{KVSOFTTOKEN_DIR} "${DIR}")

include(${CMAKE_CURRENT_LIST_DIR}/../../support/RunChecked.cmake)

run("${TOOL}" init --serial OPENSC1 --label "OpenSC check" --pin 1234)
run("${PKCS11_TOOL}" --module "${MODULE}" --login --pin 1234 --test --test-fork)
string(FIND "${output}" "No errors" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the self-test found errors:\n${output}")
endif()
run("${PKCS11_TOOL}" --module "${MODULE}" --list-mechanisms)
foreach(mechanism GOSTR3410-WITH-GOSTR3411 GOSTR3411-12-256 GOSTR3411-12-512
                  "GOSTR3410-512-KEY-PAIR-GEN, keySize={512,512}, generate_key_pair"
                  "GOSTR3410_512, keySize={512,512}, sign"
                  "GOSTR3410-WITH-GOSTR3411-12-256, keySize={256,256}, sign"
                  "GOSTR3410-WITH-GOSTR3411-12-512, keySize={512,512}, sign"
                  "GOSTR3410-12-DERIVE, keySize={256,512}, derive")
    string(FIND "${output}" "${mechanism}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "mechanism list without ${mechanism}:\n${output}")
    endif()
endforeach()
# Streebog through the module: the first example of GOST R 34.11-2012, the digest as the byte
# string (the standard prints the number, most significant byte first).
file(WRITE "${DIR}/m1.txt" "012345678901234567890123456789012345678901234567890123456789012")
run("${PKCS11_TOOL}" --module "${MODULE}" --hash -m GOSTR3411-12-256 -i "${DIR}/m1.txt"
    -o "${DIR}/m1.digest")
file(READ "${DIR}/m1.digest" digest HEX)
if(NOT digest STREQUAL "9d151eefd8590b89daa6ba6cb74af9275dd051026bb149a452fd84e5e57b5500")
    message(FATAL_ERROR "Streebog-256 of the first example: ${digest}")
endif()
run("${PKCS11_TOOL}" --module "${MODULE}" --login --pin 1234 --keypairgen
    --key-type GOSTR3410:A --label opensc --id 4b56)
file(WRITE "${DIR}/hash.bin" "0123456789abcdef0123456789abcdef")
file(WRITE "${DIR}/message.txt" "signed through pkcs11-tool")
# 2012 key pairs made by pkcs11-tool (id 01, 02) and by kvsofttoken (id "k3").
run("${PKCS11_TOOL}" --module "${MODULE}" --login --pin 1234 --keypairgen
    --key-type GOSTR3410-2012-256:A --label opensc256 --id 01)
run("${PKCS11_TOOL}" --module "${MODULE}" --login --pin 1234 --keypairgen
    --key-type GOSTR3410-2012-512:C --label opensc512 --id 02)
run("${TOOL}" keygen --serial OPENSC1 --id k3 --label tool512 --key gost2012-512 --set B)
file(WRITE "${DIR}/hash512.bin" "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef")
foreach(case "4b56;GOSTR3410;hash.bin;64" "4b56;GOSTR3410-WITH-GOSTR3411;message.txt;64"
             "01;GOSTR3410;hash.bin;64" "01;GOSTR3410-WITH-GOSTR3411-12-256;message.txt;64"
             "02;GOSTR3410_512;hash512.bin;128" "02;GOSTR3410-WITH-GOSTR3411-12-512;message.txt;128"
             "6b33;GOSTR3410-WITH-GOSTR3411-12-512;message.txt;128")
    list(GET case 0 id)
    list(GET case 1 mechanism)
    list(GET case 2 input)
    list(GET case 3 expected)
    run("${PKCS11_TOOL}" --module "${MODULE}" --login --pin 1234 --sign -m ${mechanism}
        --id ${id} -i "${DIR}/${input}" -o "${DIR}/${id}-${mechanism}.sig")
    file(SIZE "${DIR}/${id}-${mechanism}.sig" size)
    if(NOT size EQUAL expected)
        message(FATAL_ERROR "${mechanism} with key ${id}: signature of ${size} bytes")
    endif()
endforeach()

# A certificate stored by an outside client, and found with the names it holds.
run("${PKCS11_TOOL}" --module "${MODULE}" --login --pin 1234 --write-object "${CERTIFICATE}"
    --type cert --id 4b56 --label opensc)
run("${PKCS11_TOOL}" --module "${MODULE}" --list-objects --type cert)
string(FIND "${output}" "CN=Adapter certificate" at)
if(at EQUAL -1)
    message(FATAL_ERROR "certificate listed without its subject:\n${output}")
endif()
run("${PKCS11_TOOL}" --module "${MODULE}" --read-object --type cert --id 4b56
    -o "${DIR}/back.der")
file(SHA256 "${CERTIFICATE}" written)
file(SHA256 "${DIR}/back.der" read)
if(NOT written STREQUAL read)
    message(FATAL_ERROR "the certificate read back differs")
endif()
