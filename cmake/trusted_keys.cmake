# The one source that names the keys an updater binary trusts, written
# from app/trusted_keys.cc.in. Included by the build, which writes the
# updater's own from UPDATER_TRUSTED_KEYS; run as a script (-P) with
# KEY_FILES (files that each hold one base64 key on their first line) and
# OUTPUT, it writes one for keys made while building.
set(UPDATER_TRUSTED_KEYS_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/../app/trusted_keys.cc.in)

# A raw Ed25519 public key in standard base64 is 43 characters and '=';
# the last character before it carries two zero bits.
function(write_trusted_keys_source output keys)
  set(UPDATER_TRUSTED_KEY_LIST "")
  foreach(key IN LISTS keys)
    string(LENGTH "${key}" length)
    if(NOT length EQUAL 44 OR NOT key MATCHES "^[A-Za-z0-9+/]+[AEIMQUYcgkosw048]=$")
      message(FATAL_ERROR "not an Ed25519 public key in base64: '${key}'")
    endif()
    string(APPEND UPDATER_TRUSTED_KEY_LIST "\"${key}\", ")
  endforeach()
  configure_file(${UPDATER_TRUSTED_KEYS_TEMPLATE} ${output} @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND OUTPUT)
  set(keys "")
  foreach(key_file IN LISTS KEY_FILES)
    file(STRINGS ${key_file} key LIMIT_COUNT 1)
    list(APPEND keys "${key}")
  endforeach()
  write_trusted_keys_source(${OUTPUT} "${keys}")
endif()
