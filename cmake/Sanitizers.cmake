# WITH_SANITIZERS instruments every target of the tree with ASan and UBSan.
# Errors abort instead of carrying on, so a test run fails on the first report.
if(WITH_SANITIZERS)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
