s#[^ "]*/ostrivans-streams\.txt#TEMP/ostrivans-streams.txt#g
