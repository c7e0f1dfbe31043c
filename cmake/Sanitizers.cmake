# AGENDIX_SANITIZE builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
option(AGENDIX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(AGENDIX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()
