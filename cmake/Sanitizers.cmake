# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build (the dev and fuzz presets).
if(ORVEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
# Under libFuzzer every target carries its coverage instrumentation, the libraries above all: the
# fuzzer can only steer by the code it sees, and the harnesses alone are a few lines. Only the fuzz
# targets link the fuzzer itself (fuzz/CMakeLists.txt).
if(ORVEL_LIBFUZZER)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
