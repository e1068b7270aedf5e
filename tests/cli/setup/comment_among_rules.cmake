# A comment inside a calculation item: the library reads it as a rule it cannot write back.
file(READ "${WORK}/proj/QDRule.xml" text)
string(REPLACE "<体积 classtype=\"2\">" "<体积 classtype=\"2\"><!-- checked -->" text "${text}")
file(WRITE "${WORK}/proj/QDRule.xml" "${text}")
