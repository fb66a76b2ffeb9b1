s|"[^"]*/scene-references-|"TEMP/scene-references-|g
