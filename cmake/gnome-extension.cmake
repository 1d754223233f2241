# Puts the extension's shared body into one variant's wrapper:
#   cmake -DBODY=focus-export.js -DWRAPPER=extension.js.in -DOUTPUT=extension.js -P this file
# The body's own leading comment stays behind: each variant's header says what it is.
file(READ ${BODY} body)
string(FIND "${body}" "const ObjectPath" start)
if(start LESS 0)
  message(FATAL_ERROR "${BODY}: no 'const ObjectPath' to start the body at")
endif()
string(SUBSTRING "${body}" ${start} -1 body)
string(REGEX REPLACE "\n+$" "" body "${body}")
file(READ ${WRAPPER} wrapper)
string(REPLACE "@FOCUS_EXPORT@" "${body}" text "${wrapper}")
file(WRITE ${OUTPUT}.tmp "${text}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
