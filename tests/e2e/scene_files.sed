s|"/[^"]*/scene_files/|"@WORK@/|g
