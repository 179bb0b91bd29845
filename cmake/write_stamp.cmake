# Writes the build stamp source of an executable: run at every build (see qel_link_build_stamp).
string(TIMESTAMP now "%s" UTC)
file(WRITE ${OUT}.tmp "// Generated at build time.\nextern \"C\" const long long qel_build_epoch = ${now}LL;\n")
file(RENAME ${OUT}.tmp ${OUT})
