# The templates lose their default rules: files older than the program cannot be synchronised.
file(READ "${WORK}/sys/Template/Templates.xml" text)
string(REGEX REPLACE "<Rules>.*</Rules>" "" text "${text}")
file(WRITE "${WORK}/sys/Template/Templates.xml" "${text}")
