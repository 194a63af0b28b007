<HEAD>
<meta HTTP-EQUIV="DC.Subject.Topic" CONTENT="Rowing programmes">
<meta HTTP-EQUIV="$LevelHeading" CONTENT="Rowing">
</HEAD>
