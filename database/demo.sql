/* Demo data for a fresh Plenwick database (run after schema.sql).
   Everything is dated relative to the day the script runs, so "This Week" in
   the calendar always shows lessons: a school year of four ten-week terms, the
   second of which began three weeks before this week's Monday; four teachers in
   two syndicates; subjects, children's years, long-term, unit and lesson plans
   over last week, this week and next week.
   Texts are stored the way the client stores them: an apostrophe as \047 and a
   comma as \054 (the parser turns them back); line feeds are kept as they are. */

SET SQL DIALECT 3;
SET TERM ^ ;

EXECUTE BLOCK AS
  DECLARE VARIABLE MONDAY DATE;         /* Monday of the current week */
  DECLARE VARIABLE T1 DATE;
  DECLARE VARIABLE T2 DATE;             /* first day of the current term */
  DECLARE VARIABLE T3 DATE;
  DECLARE VARIABLE T4 DATE;
  DECLARE VARIABLE T2END DATE;
  DECLARE VARIABLE YR INTEGER;
  DECLARE VARIABLE TERM1 INTEGER;
  DECLARE VARIABLE TERM2 INTEGER;
  DECLARE VARIABLE TERM3 INTEGER;
  DECLARE VARIABLE LEADA INTEGER;       /* syndicate leaders (their Id names the syndicate) */
  DECLARE VARIABLE LEADB INTEGER;
  DECLARE VARIABLE TOM INTEGER;
  DECLARE VARIABLE SARAH INTEGER;
  DECLARE VARIABLE Y3 INTEGER;
  DECLARE VARIABLE Y4 INTEGER;
  DECLARE VARIABLE MATHSB INTEGER;
  DECLARE VARIABLE READB INTEGER;
  DECLARE VARIABLE WRITEB INTEGER;
  DECLARE VARIABLE SCIB INTEGER;
  DECLARE VARIABLE PEB INTEGER;
  DECLARE VARIABLE ARTB INTEGER;
  DECLARE VARIABLE OLDB INTEGER;
  DECLARE VARIABLE MATHSA INTEGER;
  DECLARE VARIABLE READA INTEGER;
  DECLARE VARIABLE PEA INTEGER;
  DECLARE VARIABLE LTNUMBER INTEGER;
  DECLARE VARIABLE LTPOETRY INTEGER;
  DECLARE VARIABLE LTSCIENCE INTEGER;
  DECLARE VARIABLE LTFIT INTEGER;
  DECLARE VARIABLE LTART INTEGER;
  DECLARE VARIABLE LTRECORDS INTEGER;
  DECLARE VARIABLE LTDUTY INTEGER;
  DECLARE VARIABLE LTNUMA INTEGER;
  DECLARE VARIABLE LTREADA INTEGER;
  DECLARE VARIABLE UFRACT INTEGER;
  DECLARE VARIABLE UHAIKU INTEGER;
  DECLARE VARIABLE UREAD INTEGER;
  DECLARE VARIABLE UFIT INTEGER;
  DECLARE VARIABLE UDUTY INTEGER;
  DECLARE VARIABLE UPLANTS INTEGER;
  DECLARE VARIABLE UART INTEGER;
  DECLARE VARIABLE URECORDS INTEGER;
  DECLARE VARIABLE UPLACE INTEGER;
  DECLARE VARIABLE USILENT INTEGER;
  DECLARE VARIABLE UFITA INTEGER;
  DECLARE VARIABLE ATTACH INTEGER;
  DECLARE VARIABLE LESSON INTEGER;
  DECLARE VARIABLE W INTEGER;
  DECLARE VARIABLE D INTEGER;
  DECLARE VARIABLE THISDAY DATE;
  DECLARE VARIABLE NL VARCHAR(1);
BEGIN
  NL = ASCII_CHAR(10);
  /* EXTRACT(WEEKDAY) is 0 on Sunday .. 6 on Saturday */
  MONDAY = CURRENT_DATE - MOD(EXTRACT(WEEKDAY FROM CURRENT_DATE) + 6, 7);
  T2 = MONDAY - 21;
  T1 = T2 - 84;
  T3 = T2 + 84;
  T4 = T3 + 84;
  T2END = T2 + 67;                      /* Friday of its tenth week */
  YR = EXTRACT(YEAR FROM T1);

  INSERT INTO TERMDATE (FIRSTDAY, SCHOOLWEEKS, SCHOOLYEAR, SCHOOLTERM) VALUES (:T1, 10, :YR, 1)
    RETURNING ID INTO :TERM1;
  INSERT INTO TERMDATE (FIRSTDAY, SCHOOLWEEKS, SCHOOLYEAR, SCHOOLTERM) VALUES (:T2, 10, :YR, 2)
    RETURNING ID INTO :TERM2;
  INSERT INTO TERMDATE (FIRSTDAY, SCHOOLWEEKS, SCHOOLYEAR, SCHOOLTERM) VALUES (:T3, 10, :YR, 3)
    RETURNING ID INTO :TERM3;
  INSERT INTO TERMDATE (FIRSTDAY, SCHOOLWEEKS, SCHOOLYEAR, SCHOOLTERM) VALUES (:T4, 10, :YR, 4);

  /* Teachers: the one added last (Sarah) is the calendar's first user, so she
     must not be a leader. */
  SELECT ID FROM MAKEACCOUNT('Margaret O\047Brien', 0) INTO :LEADA;
  SELECT ID FROM MAKEACCOUNT('Tom Hale', :LEADA) INTO :TOM;
  SELECT ID FROM MAKEACCOUNT('Rangi Parata', 0) INTO :LEADB;
  SELECT ID FROM MAKEACCOUNT('Sarah Kim', :LEADB) INTO :SARAH;

  INSERT INTO CHILDYEAR (DESCRIPTION) VALUES ('Year 1');
  INSERT INTO CHILDYEAR (DESCRIPTION) VALUES ('Year 2');
  INSERT INTO CHILDYEAR (DESCRIPTION) VALUES ('Year 3') RETURNING ID INTO :Y3;
  INSERT INTO CHILDYEAR (DESCRIPTION) VALUES ('Year 4') RETURNING ID INTO :Y4;
  INSERT INTO CHILDYEAR (DESCRIPTION) VALUES ('Year 5');
  INSERT INTO CHILDYEAR (DESCRIPTION) VALUES ('Year 6');

  /* Subjects of syndicate B (Rangi's), current since term 1; one retired from term 2 on. */
  SELECT ID FROM MAKESUBJECT('Mathematics', :LEADB, :TERM1) INTO :MATHSB;
  SELECT ID FROM MAKESUBJECT('Reading', :LEADB, :TERM1) INTO :READB;
  SELECT ID FROM MAKESUBJECT('Writing', :LEADB, :TERM1) INTO :WRITEB;
  SELECT ID FROM MAKESUBJECT('Science', :LEADB, :TERM1) INTO :SCIB;
  SELECT ID FROM MAKESUBJECT('Health\054 PE', :LEADB, :TERM1) INTO :PEB;
  SELECT ID FROM MAKESUBJECT('Art', :LEADB, :TERM1) INTO :ARTB;
  SELECT ID FROM MAKESUBJECT('Handwriting', :LEADB, :TERM1) INTO :OLDB;
  UPDATE SUBJECT SET FKTERMDATEEND = :TERM2 WHERE ID = :OLDB;
  /* Subjects of syndicate A (Margaret's). */
  SELECT ID FROM MAKESUBJECT('Mathematics', :LEADA, :TERM1) INTO :MATHSA;
  SELECT ID FROM MAKESUBJECT('Reading', :LEADA, :TERM1) INTO :READA;
  SELECT ID FROM MAKESUBJECT('Physical Education', :LEADA, :TERM1) INTO :PEA;

  /* Long-term plans of syndicate B: syndicate wide (FKSyndicate = leader) and Sarah's own. */
  SELECT ID FROM MAKELONGTERM('Number: fractions and decimals',
      'Syndicate wide number unit.' || :NL || 'Children explore halves\054 quarters and eighths\054 then link them to decimals.',
      :T2, :T2END, :MATHSB, :Y4, :LEADB, 0) INTO :LTNUMBER;
  SELECT ID FROM MAKELONGTERM('Poetry: rhyme and rhythm',
      'Sarah\047s own writing plan.' || :NL || 'Read\054 perform and write short poems.',
      :T2, :T2END, :WRITEB, :Y4, :SARAH, 0) INTO :LTPOETRY;
  SELECT ID FROM MAKELONGTERM('Living world: plants',
      'How plants grow\054 what they need\054 and how we can tell.', :T2, :T2END, :SCIB, :Y4, :LEADB, 0) INTO :LTSCIENCE;
  SELECT ID FROM MAKELONGTERM('Fitness and fundamental skills',
      'Daily fitness\054 running\054 throwing and catching.', :T1, :T2END, :PEB, :Y4, :LEADB, 0) INTO :LTFIT;
  SELECT ID FROM MAKELONGTERM('Art: colour and pattern',
      'Colour mixing and printing patterns.', :T2, :T2END, :ARTB, :Y4, :SARAH, 0) INTO :LTART;
  SELECT ID FROM MAKELONGTERM('Classroom management',
      'Duties\054 meetings and release time \050listed in every term\051.', :T1, :T4 + 67, :READB, :Y4, :SARAH, 0) INTO :LTDUTY;
  SELECT ID FROM MAKELONGTERM('Assessment records',
      'Running records and testing \047kept all year\047.', :T1, :T4 + 67, :READB, :Y4, :LEADB, 1) INTO :LTRECORDS;
  /* Syndicate A */
  SELECT ID FROM MAKELONGTERM('Number: place value', 'Place value to 1000.', :T2, :T2END, :MATHSA, :Y3, :LEADA, 0) INTO :LTNUMA;
  SELECT ID FROM MAKELONGTERM('Reading: guided groups', 'Guided and shared reading.', :T2, :T2END, :READA, :Y3, :TOM, 0) INTO :LTREADA;

  /* Sarah's unit plans: all three kinds, one rotating, one marked for export. */
  SELECT ID FROM MAKEUNITPLAN('Fractions: halves\054 quarters\054 eighths',
      'Fraction walls\054 folding paper and sharing.' || :NL || 'Key idea: equal parts.', 1, :LTNUMBER, :SARAH, 1, 0) INTO :UFRACT;
  SELECT ID FROM MAKEUNITPLAN('Writing haiku', 'Syllables\054 seasons and nature words. Rotating groups.',
      1, :LTPOETRY, :SARAH, 0, 1) INTO :UHAIKU;
  SELECT ID FROM MAKEUNITPLAN('Reading: "The Magic Faraway Tree"', 'Shared reading of a class novel.',
      1, :LTPOETRY, :SARAH, 0, 0) INTO :UREAD;
  SELECT ID FROM MAKEUNITPLAN('Daily fitness', 'Ten minutes of fitness every afternoon.', 2, :LTFIT, :SARAH, 0, 0) INTO :UFIT;
  SELECT ID FROM MAKEUNITPLAN('Morning tea duty', 'Playground duty\054 top field.', 3, :LTDUTY, :SARAH, 0, 0) INTO :UDUTY;
  SELECT ID FROM MAKEUNITPLAN('How plants grow', 'Seeds\054 soil\054 water and light.', 1, :LTSCIENCE, :SARAH, 0, 1) INTO :UPLANTS;
  SELECT ID FROM MAKEUNITPLAN('Printing patterns', 'Block printing with found objects.', 1, :LTART, :SARAH, 0, 0) INTO :UART;
  SELECT ID FROM MAKEUNITPLAN('Running records', 'One child per day.', 1, :LTRECORDS, :SARAH, 0, 0) INTO :URECORDS;
  /* Tom's */
  SELECT ID FROM MAKEUNITPLAN('Hundreds\054 tens and ones', 'Bundling straws.', 1, :LTNUMA, :TOM, 0, 0) INTO :UPLACE;
  SELECT ID FROM MAKEUNITPLAN('Silent reading', 'SSR after lunch.', 2, :LTREADA, :TOM, 0, 0) INTO :USILENT;
  SELECT ID FROM MAKEUNITPLAN('Jump jam', 'Fitness to music.', 2, :LTNUMA, :TOM, 0, 1) INTO :UFITA;

  /* Dated lessons over last week (W = -1), this week and next week. */
  W = -1;
  WHILE (W <= 1) DO
  BEGIN
    D = 0;
    WHILE (D < 5) DO
    BEGIN
      THISDAY = MONDAY + 7 * W + D;
      SELECT ID FROM MAKELESSONPLAN('Fractions ' || (:W + 2) || '.' || (:D + 1),
          'Numeracy\054 thinking', 'NA2-6 Know simple fractions',
          'I can find a half\054 a quarter and an eighth of a shape.',
          'Warm up: count in halves.' || :NL || 'Show the fraction wall.',
          'Fold paper strips; label each part.', 'Share: what\047s the same\054 what\047s different?',
          'Paper strips\054 scissors\054 glue', 'Most children managed quarters.',
          'Observation checklist', :THISDAY, :THISDAY, :UFRACT, '09:00', '09:50', 0) INTO :LESSON;
      IF (W < 0 AND D = 1) THEN UPDATE LESSONPLAN SET LESSONEVAL = 1, LESSONASSESS = 1 WHERE ID = :LESSON;
      IF (W < 0 AND D = 3) THEN UPDATE LESSONPLAN SET LESSONEVAL = -1, LESSONNOTTAUGHT = 1 WHERE ID = :LESSON;
      IF (W = 0 AND D = 2) THEN UPDATE LESSONPLAN SET LESSONASSESS = 1 WHERE ID = :LESSON;

      SELECT ID FROM MAKELESSONPLAN('Class novel ' || (:W + 2) || '.' || (:D + 1),
          'Communication', 'L2 Reading: ideas', 'Retell the chapter in order.',
          'Recap yesterday\047s chapter.', 'Read aloud; pause for predictions.', 'Quick retell in pairs.',
          'Class novel', '', '', :THISDAY, :THISDAY, :UREAD, '10:00', '10:25', 0) INTO :LESSON;

      IF (D = 0 OR D = 2 OR D = 4) THEN
        SELECT ID FROM MAKELESSONPLAN('Haiku group ' || (:D / 2 + 1),
            'Communication\054 creativity', 'L2 Writing: language features',
            'Count syllables: 5\054 7\054 5.', 'Clap the syllables of our names.',
            'Write a haiku about the season.' || :NL || 'Illustrate it.', 'Read them aloud.',
            'Syllable charts', '', 'Self check: 5-7-5?', :THISDAY, :THISDAY, :UHAIKU, '11:00', '11:45', 0) INTO :LESSON;

      IF (D = 1 OR D = 3) THEN
        SELECT ID FROM MAKELESSONPLAN('Plants ' || (:W + 2) || '.' || (:D + 1),
            'Problem solving', 'Living world L2', 'Describe what a seed needs to grow.',
            'Look at last week\047s seedlings.', 'Measure and record growth.', 'Share the graph.',
            'Rulers\054 seedlings\054 chart', '', 'Growth chart', :THISDAY, :THISDAY, :UPLANTS, '12:00', '12:40', 0) INTO :LESSON;

      IF (D = 2) THEN
        SELECT ID FROM MAKELESSONPLAN('Printing ' || (:W + 2),
            'Creativity', 'Visual arts L2', 'Make a repeating pattern.',
            'Look at patterns around the room.', 'Print with sponges and corks.', 'Gallery walk.',
            'Paint\054 sponges\054 corks\054 paper', '', '', :THISDAY, :THISDAY, :UART, '14:00', '14:45', 0) INTO :LESSON;

      SELECT ID FROM MAKELESSONPLAN('Place value ' || (:W + 2) || '.' || (:D + 1),
          'Numeracy', 'NA2-4', 'Show 3-digit numbers with straws.', 'Count by tens.',
          'Bundle straws into tens and hundreds.', 'Write the number.', 'Straws\054 rubber bands', '', '',
          :THISDAY, :THISDAY, :UPLACE, '09:15', '10:00', 0) INTO :LESSON;
      D = D + 1;
    END
    W = W + 1;
  END

  /* Routine lessons run the whole term, one per weekday. */
  D = 1;
  WHILE (D <= 5) DO
  BEGIN
    SELECT ID FROM MAKELESSONPLAN('Fitness', 'Physical skills', 'PE L2', 'Keep moving for ten minutes.',
        'Warm up.', 'Circuit: skip\054 hop\054 run.', 'Cool down.', 'Skipping ropes', '', '',
        :T2, :T2END, :UFIT, '13:30', '13:45', :D) INTO :LESSON;
    SELECT ID FROM MAKELESSONPLAN('Silent reading', 'Reading', '', '', '', '', '', 'Library books', '', '',
        :T2, :T2END, :USILENT, '13:15', '13:30', :D) INTO :LESSON;
    D = D + 1;
  END
  SELECT ID FROM MAKELESSONPLAN('Jump jam', 'Physical skills', '', '', '', '', '', 'Music', '', '',
      :T2, :T2END, :UFITA, '14:30', '14:45', 5) INTO :LESSON;

  /* Non-contact time: daily entries from last week to the end of next week. */
  SELECT ID FROM MAKELESSONPLAN('Morning tea duty', '', '', '', '', '', '', 'Whistle\054 hat', '', '',
      :MONDAY - 7, :MONDAY + 11, :UDUTY, '10:30', '10:45', 0) INTO :LESSON;

  /* A lesson under a persistent plan: listed in the plan editor, not drawn in the week. */
  SELECT ID FROM MAKELESSONPLAN('Running record: group 1', 'Reading', '', '', '', '', '', '', '', '',
      :MONDAY, :MONDAY, :URECORDS, '14:00', '14:15', 0) INTO :LESSON;

  /* An attachment to the fractions unit, complete, with notes. */
  SELECT ID FROM MAKEUNITBINARY('C:\Documents\Fractions\fraction wall.txt', 66,
      'RnJhY3Rpb24gd2FsbDogMS8yLCAxLzQsIDEvOApDdXQgdGhlIHN0cmlwcywgbGFiZWwgdGhlbSwgY29tcGFyZS4K', :UFRACT)
    INTO :ATTACH;
  UPDATE BINARYDESCRIPTION SET READY = 0,
      DESCRIPTION = 'Print one per pair.' || :NL || 'Don\047t forget the glue\054 please.' WHERE ID = :ATTACH;
END^

SET TERM ; ^
COMMIT;
