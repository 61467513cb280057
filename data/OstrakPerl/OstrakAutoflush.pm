package OstrakAutoflush;

# Loaded first into every script that Ostrak runs with piped streams. Perl
# holds up to 8 KB of STDOUT when it is a pipe, so a prompt printed before
# the script reads its input would stay unseen; every print goes out at once.
my $previous = select STDOUT;
$| = 1;
select $previous;

1;
