s#"[^"]*/maxhold\.mx"#"TEMP/maxhold.mx"#
