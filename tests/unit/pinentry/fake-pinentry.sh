#!/bin/sh
# Speaks just enough Assuan to stand in for GnuPG's pinentry. Every line it is sent goes to
# the file FAKE_PINENTRY_RECORD. FAKE_PINENTRY_ANSWER says how GETPIN ends: "pin:DATA" (DATA
# as it goes on the D line, already escaped), "pinfile:PATH" (the D line's data is the file's
# content, so a test's secret PIN need not sit in its environment), "cancel", "timeout", "error",
# "die", or "wait:PATH" (its process id goes to the file PATH, and it waits a minute without
# answering).
echo "OK Pleased to meet you"
while IFS= read -r line; do
    printf '%s\n' "$line" >> "$FAKE_PINENTRY_RECORD"
    case "$line" in
    GETPIN)
        case "$FAKE_PINENTRY_ANSWER" in
        pin:*) printf '# a comment\nS PINENTRY_LAUNCHED 1\nD %s\nOK\n' "${FAKE_PINENTRY_ANSWER#pin:}" ;;
        pinfile:*) printf 'D %s\nOK\n' "$(cat "${FAKE_PINENTRY_ANSWER#pinfile:}")" ;;
        cancel) echo "ERR 83886179 Operation cancelled <Pinentry>" ;;
        timeout) echo "ERR 83886142 Timeout <Pinentry>" ;;
        error) echo "ERR 83886360 No pinentry <Pinentry>" ;;
        wait:*)
            echo $$ > "${FAKE_PINENTRY_ANSWER#wait:}"
            exec sleep 60 ;;
        *) exit 1 ;;
        esac ;;
    BYE)
        echo "OK closing connection"
        exit 0 ;;
    *) echo OK ;;
    esac
done
