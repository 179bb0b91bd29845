# Writes OUT, a C++ file defining qel::server::kSchemaSql with the text of IN.
file(READ ${IN} text)
file(WRITE ${OUT} "// Generated from server/schema.sql by server/embed_sql.cmake.\n"
                  "#include \"server/database_file.h\"\n"
                  "namespace qel::server {\n"
                  "extern const char* const kSchemaSql;\n"
                  "const char* const kSchemaSql = R\"QELSQL(${text})QELSQL\";\n"
                  "}\n")
