# The key pair that signs the update server's descriptor. Hushbar carries the public key
# compiled in and installs nothing whose descriptor it does not verify.
#
# A distributor passes its own keys:
#   -DHUSHBAR_UPDATE_PUBLIC_KEY=/path/public.pem   (RSA-2048 or longer, PEM)
#   -DHUSHBAR_UPDATE_SIGNING_KEY=/path/private.pem (optional: signs the server content here)
# Without them the build makes a development pair in the build tree, once, and keeps it.
set(HUSHBAR_UPDATE_PUBLIC_KEY "" CACHE FILEPATH "PEM public key updates are verified with")
set(HUSHBAR_UPDATE_SIGNING_KEY "" CACHE FILEPATH "PEM private key the server descriptor is signed with")

find_program(OPENSSL_PROGRAM openssl REQUIRED)
# One development pair for every build tree of this checkout (both architectures), so
# that all of them accept what any of them signs.
set(update_key_dir "${CMAKE_SOURCE_DIR}/build/update-key")

if(HUSHBAR_UPDATE_PUBLIC_KEY)
  set(update_public_key "${HUSHBAR_UPDATE_PUBLIC_KEY}")
  set(update_signing_key "${HUSHBAR_UPDATE_SIGNING_KEY}")
else()
  if(HUSHBAR_UPDATE_SIGNING_KEY)
    message(FATAL_ERROR "HUSHBAR_UPDATE_SIGNING_KEY needs HUSHBAR_UPDATE_PUBLIC_KEY beside it")
  endif()
  set(update_signing_key "${update_key_dir}/signing-key.pem")
  set(update_public_key "${update_key_dir}/public-key.pem")
  if(NOT EXISTS "${update_signing_key}")
    file(MAKE_DIRECTORY "${update_key_dir}")
    execute_process(COMMAND ${OPENSSL_PROGRAM} genrsa -out "${update_signing_key}" 2048
                    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(failed)
      message(FATAL_ERROR "openssl could not make the development signing key")
    endif()
    file(REMOVE "${update_public_key}")
  endif()
  if(NOT EXISTS "${update_public_key}")
    execute_process(COMMAND ${OPENSSL_PROGRAM} rsa -in "${update_signing_key}" -pubout -out "${update_public_key}"
                    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(failed)
      message(FATAL_ERROR "openssl could not derive the development public key")
    endif()
  endif()
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${update_public_key}")

# The modulus and exponent go into the program as text; the code builds the system's key
# blob from them.
execute_process(COMMAND ${OPENSSL_PROGRAM} rsa -pubin -in "${update_public_key}" -noout -modulus
                OUTPUT_VARIABLE modulus_line RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${OPENSSL_PROGRAM} rsa -pubin -in "${update_public_key}" -noout -text
                OUTPUT_VARIABLE key_text ERROR_QUIET)
if(failed OR NOT modulus_line MATCHES "^Modulus=([0-9A-Fa-f]+)$")
  message(FATAL_ERROR "${update_public_key} is not an RSA public key in PEM form")
endif()
set(HUSHBAR_KEY_MODULUS "${CMAKE_MATCH_1}")
if(NOT key_text MATCHES "Exponent: ([0-9]+)")
  message(FATAL_ERROR "no exponent found in ${update_public_key}")
endif()
set(HUSHBAR_KEY_EXPONENT "${CMAKE_MATCH_1}")
string(LENGTH "${HUSHBAR_KEY_MODULUS}" modulus_digits)
if(modulus_digits LESS 512)
  message(FATAL_ERROR "the update key must have at least 2048 bits")
endif()

set(HUSHBAR_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
file(CONFIGURE OUTPUT "${HUSHBAR_GENERATED_DIR}/update/UpdatePublicKey.h" CONTENT
"#pragma once
// Made by the build from ${update_public_key}.
namespace update_key {
constexpr char kModulusHex[] = \"@HUSHBAR_KEY_MODULUS@\";
constexpr unsigned long kExponent = @HUSHBAR_KEY_EXPONENT@ul;
}  // namespace update_key
" @ONLY)
