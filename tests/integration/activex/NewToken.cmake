# cmake -DDIR=<folder> -P NewToken.cmake: a fresh software token for one ActiveX script test.
file(REMOVE_RECURSE ${DIR})
file(WRITE ${DIR}/kvsofttoken.conf "[slot]\nlabel = AX token\nserial = KV0002API\npin = 1234\n")
