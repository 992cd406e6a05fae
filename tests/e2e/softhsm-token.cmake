# Makes the token of the SoftHSM page afresh: SoftHSM's configuration and token directory under
# DIR, a token (label Kestrova, PIN 1234) with one container "ec" made by pkcs11-tool (an EC key
# pair with the plug-in's label; SoftHSM has no GOST), and kvpkcs11's configuration in
# DIR/kvsofttoken putting the adapter in front of SoftHSM.
# Arguments: DIR, SOFTHSM_MODULE, SOFTHSM_UTIL, PKCS11_TOOL.

file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}/tokens" "${DIR}/kvsofttoken")
file(WRITE "${DIR}/softhsm2.conf"
     "directories.tokendir = ${DIR}/tokens\nobjectstore.backend = file\nlog.level = ERROR\n")
set(ENV{SOFTHSM2_CONF} "${DIR}/softhsm2.conf")

include(${CMAKE_CURRENT_LIST_DIR}/../support/RunChecked.cmake)

run("${SOFTHSM_UTIL}" --init-token --free --label Kestrova --pin 1234 --so-pin 87654321)
run("${PKCS11_TOOL}" --module "${SOFTHSM_MODULE}" --login --pin 1234 --keypairgen
    --key-type EC:prime256v1 --label "vorlanek v.10" --id 6563)
file(WRITE "${DIR}/kvsofttoken/kvsofttoken.conf"
     "[adapter]\nmodule = ${SOFTHSM_MODULE}\nenv = SOFTHSM2_CONF=${DIR}/softhsm2.conf\n")
