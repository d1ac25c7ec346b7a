# Signs each of FILES in place with osslsigncode: TOOL, CERT (PEM or DER certificate),
# KEY (its private key), TIMESTAMP (a server's URL, or empty for no timestamp).
# Run as `cmake -DTOOL=... -DCERT=... -DKEY=... -DTIMESTAMP=... -DFILES=a;b -P Sign.cmake`.
foreach(file IN LISTS FILES)
  set(args sign -certs ${CERT} -key ${KEY} -n Hushbar -h sha256)
  if(TIMESTAMP)
    list(APPEND args -ts ${TIMESTAMP})
  endif()
  execute_process(COMMAND ${TOOL} ${args} -in ${file} -out ${file}.signed
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    file(REMOVE ${file}.signed)
    message(FATAL_ERROR "Signing ${file} failed:\n${out}")
  endif()
  file(RENAME ${file}.signed ${file})
endforeach()
