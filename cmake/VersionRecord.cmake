# The version record: the program's own identity. The window reads it at start-up, the
# package and its metadata take their version, company and web address from it.
set(BX_PRODUCT_NAME "Brevantix")
set(BX_INTERNAL_NAME "Configurator")
set(BX_COMPANY_NAME "dulMAR Company ::.")
set(BX_COPYRIGHT "Copyright (C) 2026 dulMAR Company ::.")
set(BX_WEB_ADDRESS "https://www.brevantix.example")
set(BX_SUPPORT_ADDRESS "orders@brevantix.example")
set(BX_FILE_VERSION "${PROJECT_VERSION}")
